// One pass over a module's text for its lines, their key positions, the
// header test's verdict on each, and whether each may use the error state.
#include "source_transformation/LineClassifier.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/ScanKeywords.h"
#include "source_transformation/ScanRules.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define TRAPWRIGHT_WIDE_VECTORS 1
#endif

namespace scan {

namespace {

constexpr size_t kBatch = 512;
constexpr size_t kChunk = 64;  // units per chunk: one bit each in a 64-bit mask
constexpr size_t kGroup = 8;   // chunks a kernel is asked for at once
constexpr size_t kBefore = 3;  // units a kernel reads before a chunk
constexpr size_t kAfter = 2;   // units a kernel reads after a chunk

// What a kernel finds in a chunk, one bit per unit: line feeds, and those
// after a CR; quotes and apostrophes; spaces after the last three letters
// of a keyword; the starts of "err" and "erl", letter case ignored;
// blanks; the letter "e" in either case; each "_" after a blank; and
// ASCII letters and units that are no ASCII character.
struct ChunkMasks {
    uint64_t lineFeeds = 0;
    uint64_t crLineFeeds = 0;
    uint64_t quotes = 0;
    uint64_t keywordSpaces = 0;
    uint64_t errors = 0;
    uint64_t blanks = 0;
    uint64_t letterE = 0;
    uint64_t marks = 0;
    uint64_t letters = 0;
};

// An ASCII letter, or a unit that is no ASCII character (which may be a
// letter of the text's script).
template <typename Unit>
bool MayBeLetter(Unit unit) {
    const auto folded = static_cast<Unit>(unit | 0x20);
    return (folded >= 'a' && folded <= 'z') || UnitAsChar(unit) >= 0x80;
}

/// The lowest set bit's index.
unsigned LowestBit(uint64_t mask) { return static_cast<unsigned>(__builtin_ctzll(mask)); }

/// The bits below the lowest set bit of `mask`; all bits when it has none.
uint64_t BitsBelowLowest(uint64_t mask) { return (mask & (0 - mask)) - 1; }

/// The highest set bit's index.
unsigned HighestBit(uint64_t mask) { return 63 - static_cast<unsigned>(__builtin_clzll(mask)); }

// A group of chunks, one after the other (the text's first chunk first
// when `first`), for the kernels that need nothing else around their
// masks; the vector kernels whose compares need a processor's own
// instructions make their own, so that their masks are made inline.
template <class Kernel>
struct OneChunkAtATime {
    template <typename Unit>
    static void Group(const Unit* at, bool first, size_t count, ChunkMasks* out) {
        for (size_t k = 0; k < count; ++k) out[k] = Kernel::Masks(at + k * kChunk, first && k == 0);
    }
};

// The plain kernel: every unit looked at on its own. The chunk's units from
// `at` - 3 to `at` + 65 are within the text, but for those before the
// text's first chunk.
template <typename Unit>
struct ScalarKernel : OneChunkAtATime<ScalarKernel<Unit>> {
    static ChunkMasks Masks(const Unit* at, bool first) {
        ChunkMasks chunk;
        for (size_t k = 0; k < kChunk; ++k) {
            auto before = [&](size_t back) {
                return first && k < back ? Unit{0} : at[static_cast<ptrdiff_t>(k) - static_cast<ptrdiff_t>(back)];
            };
            auto foldedBefore = [&](size_t back) { return static_cast<Unit>(before(back) | 0x20); };
            const Unit c = at[k];
            const uint64_t bit = uint64_t{1} << k;
            if (c == '\n') chunk.lineFeeds |= bit;
            if (c == '\n' && before(1) == '\r') chunk.crLineFeeds |= bit;
            if (c == '"' || c == '\'') chunk.quotes |= bit;
            for (const std::array<char, 3>& ending : kKeywordEndings) {
                if (c == ' ' && foldedBefore(3) == ending[0] && foldedBefore(2) == ending[1] &&
                    foldedBefore(1) == ending[2]) {
                    chunk.keywordSpaces |= bit;
                }
            }
            if (ErrorWordAt(at + k)) chunk.errors |= bit;
            if (IsBlankUnit(c)) chunk.blanks |= bit;
            if ((c | 0x20) == 'e') chunk.letterE |= bit;
            if (c == '_' && IsBlankUnit(before(1))) chunk.marks |= bit;
            if (MayBeLetter(c)) chunk.letters |= bit;
        }
        return chunk;
    }
};

#if defined(__SSE2__)
// Compares of a vector's lanes: 16 bytes, or 8 UTF-16 units.
template <typename Unit>
struct Lanes;

template <>
struct Lanes<char> {
    static __m128i Equal(__m128i units, char c) { return _mm_cmpeq_epi8(units, _mm_set1_epi8(c)); }
    static __m128i Fold(__m128i units) { return _mm_or_si128(units, _mm_set1_epi8(0x20)); }
    // Signed compares: a byte of 128 or above is below every ASCII letter.
    static __m128i MayBeLetter(__m128i units) {
        const __m128i folded = Fold(units);
        const __m128i ascii = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                            _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
        return _mm_or_si128(ascii, _mm_cmplt_epi8(units, _mm_setzero_si128()));
    }
    // The vector `units` moved up by `count` lanes, zeros below.
    template <int Count>
    static __m128i ShiftedUp(__m128i units) { return _mm_slli_si128(units, Count); }
};

template <>
struct Lanes<char16_t> {
    static __m128i Equal(__m128i units, char16_t c) { return _mm_cmpeq_epi16(units, _mm_set1_epi16(static_cast<short>(c))); }
    static __m128i Fold(__m128i units) { return _mm_or_si128(units, _mm_set1_epi16(0x20)); }
    static __m128i MayBeLetter(__m128i units) {
        const __m128i folded = Fold(units);
        const __m128i ascii = _mm_and_si128(_mm_cmpgt_epi16(folded, _mm_set1_epi16('a' - 1)),
                                            _mm_cmplt_epi16(folded, _mm_set1_epi16('z' + 1)));
        const __m128i ascii7 = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                               _mm_setzero_si128());
        return _mm_or_si128(ascii, _mm_andnot_si128(ascii7, _mm_set1_epi16(-1)));
    }
    template <int Count>
    static __m128i ShiftedUp(__m128i units) { return _mm_slli_si128(units, 2 * Count); }
};

template <typename Unit>
__m128i Load(const Unit* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The units of one vector, with those one, two and three before each and
// those one and two after it.
struct Neighbours {
    __m128i units;
    __m128i before1;
    __m128i before2;
    __m128i before3;
    __m128i next;
    __m128i second;
};

// The vector at `at`; at the text's start (`first`) the units before it are zeros.
template <typename Unit>
Neighbours NeighboursAt(const Unit* at, bool first) {
    using L = Lanes<Unit>;
    const __m128i units = Load(at);
    if (first) {
        return {units, L::template ShiftedUp<1>(units), L::template ShiftedUp<2>(units),
                L::template ShiftedUp<3>(units), Load(at + 1), Load(at + 2)};
    }
    return {units, Load(at - 1), Load(at - 2), Load(at - 3), Load(at + 1), Load(at + 2)};
}

// The masks of one vector of units as vectors.
struct VectorMasks {
    __m128i lineFeeds;
    __m128i crLineFeeds;
    __m128i quotes;
    __m128i keywordSpaces;
    __m128i errors;
    __m128i blanks;
    __m128i letterE;
    __m128i marks;
    __m128i letters;
};

template <typename Unit>
VectorMasks MasksOfVector(const Neighbours& v) {
    using L = Lanes<Unit>;
    const __m128i folded1 = L::Fold(v.before1);
    const __m128i folded2 = L::Fold(v.before2);
    const __m128i folded3 = L::Fold(v.before3);
    __m128i afterEnding = _mm_setzero_si128();
    for (const std::array<char, 3>& ending : kKeywordEndings) {
        afterEnding = _mm_or_si128(afterEnding, _mm_and_si128(_mm_and_si128(L::Equal(folded3, ending[0]),
                                                                            L::Equal(folded2, ending[1])),
                                                              L::Equal(folded1, ending[2])));
    }
    const __m128i quotes = _mm_or_si128(L::Equal(v.units, '"'), L::Equal(v.units, '\''));
    const __m128i spaces = L::Equal(v.units, ' ');
    const __m128i foldedSecond = L::Fold(v.second);
    const __m128i letterE = L::Equal(L::Fold(v.units), 'e');
    const __m128i errors = _mm_and_si128(_mm_and_si128(letterE, L::Equal(L::Fold(v.next), 'r')),
                                         _mm_or_si128(L::Equal(foldedSecond, 'r'), L::Equal(foldedSecond, 'l')));
    const __m128i lineFeeds = L::Equal(v.units, '\n');
    const __m128i blankBefore = _mm_or_si128(L::Equal(v.before1, ' '), L::Equal(v.before1, '\t'));
    return {lineFeeds,
            _mm_and_si128(lineFeeds, L::Equal(v.before1, '\r')),
            quotes,
            _mm_and_si128(spaces, afterEnding),
            errors,
            _mm_or_si128(spaces, L::Equal(v.units, '\t')),
            letterE,
            _mm_and_si128(L::Equal(v.units, '_'), blankBefore),
            L::MayBeLetter(v.units)};
}

// Each mask of `masks` as bits, shifted to `shift`, into `chunk`; `bits`
// takes one vector mask to its bits.
template <class Bits>
void AddMasks(const VectorMasks& masks, Bits bits, unsigned shift, ChunkMasks& chunk) {
    chunk.lineFeeds |= bits(masks.lineFeeds) << shift;
    chunk.crLineFeeds |= bits(masks.crLineFeeds) << shift;
    chunk.quotes |= bits(masks.quotes) << shift;
    chunk.keywordSpaces |= bits(masks.keywordSpaces) << shift;
    chunk.errors |= bits(masks.errors) << shift;
    chunk.blanks |= bits(masks.blanks) << shift;
    chunk.letterE |= bits(masks.letterE) << shift;
    chunk.marks |= bits(masks.marks) << shift;
    chunk.letters |= bits(masks.letters) << shift;
}

// The 16-byte kernel, which every x86-64 processor has. Sixteen bytes are
// one vector; sixteen UTF-16 units are two, their compares packed to a
// byte each.
template <typename Unit>
struct NarrowKernel;

template <>
struct NarrowKernel<char> : OneChunkAtATime<NarrowKernel<char>> {
    static ChunkMasks Masks(const char* at, bool first) {
        ChunkMasks chunk;
        auto bits = [](__m128i x) { return uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(x))}; };
        for (unsigned k = 0; k < kChunk; k += 16) {
            AddMasks(MasksOfVector<char>(NeighboursAt(at + k, first && k == 0)), bits, k, chunk);
        }
        return chunk;
    }
};

template <>
struct NarrowKernel<char16_t> : OneChunkAtATime<NarrowKernel<char16_t>> {
    static ChunkMasks Masks(const char16_t* at, bool first) {
        ChunkMasks chunk;
        // Sixteen units in two vectors: their compares packed to a byte each.
        auto packed = [](__m128i x, __m128i y) {
            return uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(x, y)))};
        };
        for (unsigned k = 0; k < kChunk; k += 16) {
            const VectorMasks a = MasksOfVector<char16_t>(NeighboursAt(at + k, first && k == 0));
            const VectorMasks b = MasksOfVector<char16_t>(NeighboursAt(at + k + 8, false));
            chunk.lineFeeds |= packed(a.lineFeeds, b.lineFeeds) << k;
            chunk.crLineFeeds |= packed(a.crLineFeeds, b.crLineFeeds) << k;
            chunk.quotes |= packed(a.quotes, b.quotes) << k;
            chunk.keywordSpaces |= packed(a.keywordSpaces, b.keywordSpaces) << k;
            chunk.errors |= packed(a.errors, b.errors) << k;
            chunk.blanks |= packed(a.blanks, b.blanks) << k;
            chunk.letterE |= packed(a.letterE, b.letterE) << k;
            chunk.marks |= packed(a.marks, b.marks) << k;
            chunk.letters |= packed(a.letters, b.letters) << k;
        }
        return chunk;
    }
};

#if defined(TRAPWRIGHT_WIDE_VECTORS)
#define TRAPWRIGHT_WIDE __attribute__((target("avx2")))

// The lanes of 32 bytes equal to `c`.
TRAPWRIGHT_WIDE inline __m256i WideEqual(__m256i units, char c) { return _mm256_cmpeq_epi8(units, _mm256_set1_epi8(c)); }

TRAPWRIGHT_WIDE inline __m256i WideLoad(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

TRAPWRIGHT_WIDE inline __m256i WideFold(__m256i units) { return _mm256_or_si256(units, _mm256_set1_epi8(0x20)); }

// One bit for each lane of 32 that is set.
TRAPWRIGHT_WIDE inline uint64_t WideBits(__m256i lanes) {
    return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(lanes))};
}

// The masks of the 32 bytes at `at`, which do not begin the text.
TRAPWRIGHT_WIDE inline void WideMasksOf(const char* at, ChunkMasks& chunk, unsigned shift) {
    const __m256i units = WideLoad(at);
    const __m256i before = WideLoad(at - 1);
    const __m256i folded1 = WideFold(before);
    const __m256i folded2 = WideFold(WideLoad(at - 2));
    const __m256i folded3 = WideFold(WideLoad(at - 3));
    __m256i afterEnding = _mm256_setzero_si256();
    for (const std::array<char, 3>& ending : kKeywordEndings) {
        afterEnding = _mm256_or_si256(
            afterEnding, _mm256_and_si256(_mm256_and_si256(WideEqual(folded3, ending[0]), WideEqual(folded2, ending[1])),
                                          WideEqual(folded1, ending[2])));
    }
    const __m256i quotes = _mm256_or_si256(WideEqual(units, '"'), WideEqual(units, '\''));
    const __m256i spaces = WideEqual(units, ' ');
    const __m256i second = WideFold(WideLoad(at + 2));
    const __m256i folded = WideFold(units);
    const __m256i letterE = WideEqual(folded, 'e');
    const __m256i errors = _mm256_and_si256(_mm256_and_si256(letterE, WideEqual(WideFold(WideLoad(at + 1)), 'r')),
                                            _mm256_or_si256(WideEqual(second, 'r'), WideEqual(second, 'l')));
    const __m256i lineFeeds = WideEqual(units, '\n');
    const __m256i blankBefore = _mm256_or_si256(WideEqual(before, ' '), WideEqual(before, '\t'));
    const __m256i ascii = _mm256_and_si256(_mm256_cmpgt_epi8(folded, _mm256_set1_epi8('a' - 1)),
                                           _mm256_cmpgt_epi8(_mm256_set1_epi8('z' + 1), folded));
    chunk.lineFeeds |= WideBits(lineFeeds) << shift;
    chunk.crLineFeeds |= WideBits(_mm256_and_si256(lineFeeds, WideEqual(before, '\r'))) << shift;
    chunk.quotes |= WideBits(quotes) << shift;
    chunk.keywordSpaces |= WideBits(_mm256_and_si256(spaces, afterEnding)) << shift;
    chunk.errors |= WideBits(errors) << shift;
    chunk.blanks |= WideBits(_mm256_or_si256(spaces, WideEqual(units, '\t'))) << shift;
    chunk.letterE |= WideBits(letterE) << shift;
    chunk.marks |= WideBits(_mm256_and_si256(WideEqual(units, '_'), blankBefore)) << shift;
    chunk.letters |= (WideBits(ascii) | WideBits(units)) << shift;
}

// The 32-byte kernel, for bytes on processors that have the wider
// vectors; the chunk that begins the text goes to the narrow one, which
// takes care of the missing units before it.
struct WideKernel {
    TRAPWRIGHT_WIDE static ChunkMasks Masks(const char* at, bool first) {
        if (first) return NarrowKernel<char>::Masks(at, first);
        ChunkMasks chunk;
        WideMasksOf(at, chunk, 0);
        WideMasksOf(at + 32, chunk, 32);
        return chunk;
    }
    TRAPWRIGHT_WIDE static void Group(const char* at, bool first, size_t count, ChunkMasks* out) {
        for (size_t k = 0; k < count; ++k) out[k] = Masks(at + k * kChunk, first && k == 0);
    }
};

bool ProcessorHasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
}

#define TRAPWRIGHT_WIDEST __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// The bytes the 64-byte kernel compares with, each in every lane of a
// register, made once for a group of chunks. The compiler is kept from
// making them again for each chunk: a byte broadcast takes the port that
// the compares need.
struct WidestBytes {
    __m512i lineFeed, carriageReturn, quote, apostrophe, space, tab, smallE, smallR, smallL, underscore, smallA,
        twentyFive, caseBit, thirdLast, secondLast, last;

    TRAPWRIGHT_WIDEST WidestBytes()
        : lineFeed(Kept(_mm512_set1_epi8('\n'))),
          carriageReturn(Kept(_mm512_set1_epi8('\r'))),
          quote(Kept(_mm512_set1_epi8('"'))),
          apostrophe(Kept(_mm512_set1_epi8('\''))),
          space(Kept(_mm512_set1_epi8(' '))),
          tab(Kept(_mm512_set1_epi8('\t'))),
          smallE(Kept(_mm512_set1_epi8('e'))),
          smallR(Kept(_mm512_set1_epi8('r'))),
          smallL(Kept(_mm512_set1_epi8('l'))),
          underscore(Kept(_mm512_set1_epi8('_'))),
          smallA(Kept(_mm512_set1_epi8('a'))),
          twentyFive(Kept(_mm512_set1_epi8(25))),
          caseBit(Kept(_mm512_set1_epi8(0x20))),
          thirdLast(Kept(KeywordLetters<3>())),
          secondLast(Kept(KeywordLetters<2>())),
          last(Kept(KeywordLetters<1>())) {}

private:
    TRAPWRIGHT_WIDEST static __m512i Kept(__m512i value) {
        asm("" : "+v"(value));
        return value;
    }

    // For the letter `Back` units before a keyword's space (3, 2 or 1), a
    // table from a folded byte's low six bits to the keywords whose ending
    // has that letter there, one bit per keyword. A byte that is no letter
    // may share the low six bits of one (a digit, a sign, a byte above 127):
    // the bits then say "maybe", and the keyword itself is checked at each
    // space found.
    template <size_t Back>
    TRAPWRIGHT_WIDEST static __m512i KeywordLetters() {
        alignas(64) uint8_t table[64] = {};
        for (size_t k = 0; k < kKeywordEndings.size(); ++k) {
            table[static_cast<uint8_t>(kKeywordEndings[k][3 - Back] | 0x20) & 63] |= static_cast<uint8_t>(1u << k);
        }
        return _mm512_load_si512(table);
    }
};

TRAPWRIGHT_WIDEST inline __m512i WidestLoad(const char* at) { return _mm512_loadu_si512(at); }

TRAPWRIGHT_WIDEST inline uint64_t WidestEqual(__m512i units, __m512i bytes) {
    return _mm512_cmpeq_epi8_mask(units, bytes);
}

// The keywords whose letter at a place of their ending a folded byte may
// be, by one of WidestBytes' tables.
TRAPWRIGHT_WIDEST inline __m512i WidestKeywords(__m512i table, __m512i folded) {
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, folded, table);
}

// The 64-byte kernel, for bytes on processors that compare 64 bytes into a
// mask at once and permute bytes by a table: a chunk is one vector, and
// each compare gives its mask without a move. The chunk that begins the
// text goes to the narrow one.
struct WidestKernel {
    TRAPWRIGHT_WIDEST static ChunkMasks Masks(const char* at, const WidestBytes& c) {
        const __m512i units = WidestLoad(at);
        const __m512i before = WidestLoad(at - 1);
        const __m512i folded = Fold(units, c);
        const __m512i next = Fold(WidestLoad(at + 1), c);
        const __m512i second = Fold(WidestLoad(at + 2), c);
        ChunkMasks chunk;
        chunk.lineFeeds = WidestEqual(units, c.lineFeed);
        chunk.crLineFeeds = chunk.lineFeeds & WidestEqual(before, c.carriageReturn);
        chunk.quotes = WidestEqual(units, c.quote) | WidestEqual(units, c.apostrophe);
        const uint64_t spaces = WidestEqual(units, c.space);
        chunk.blanks = spaces | WidestEqual(units, c.tab);
        // A space after the three letters of one keyword's ending: a bit
        // of one keyword left in all three tables' answers.
        const __m512i endings = _mm512_ternarylogic_epi32(WidestKeywords(c.thirdLast, Fold(WidestLoad(at - 3), c)),
                                                          WidestKeywords(c.secondLast, Fold(WidestLoad(at - 2), c)),
                                                          WidestKeywords(c.last, Fold(before, c)), 0x80);
        chunk.keywordSpaces = _mm512_mask_test_epi8_mask(spaces, endings, endings);
        chunk.letterE = WidestEqual(folded, c.smallE);
        chunk.errors = chunk.letterE & WidestEqual(next, c.smallR) &
                       (WidestEqual(second, c.smallR) | WidestEqual(second, c.smallL));
        chunk.marks = WidestEqual(units, c.underscore) & (WidestEqual(before, c.space) | WidestEqual(before, c.tab));
        // A folded ASCII letter is at most 25 above "a"; a byte of 128 or
        // above has its top bit set.
        chunk.letters = _mm512_cmple_epu8_mask(_mm512_sub_epi8(folded, c.smallA), c.twentyFive) |
                        _mm512_movepi8_mask(units);
        return chunk;
    }
    TRAPWRIGHT_WIDEST static __m512i Fold(__m512i units, const WidestBytes& c) {
        return _mm512_or_si512(units, c.caseBit);
    }
    TRAPWRIGHT_WIDEST static ChunkMasks Masks(const char* at, bool first) {
        if (first) return NarrowKernel<char>::Masks(at, first);
        return Masks(at, WidestBytes());
    }
    TRAPWRIGHT_WIDEST static void Group(const char* at, bool first, size_t count, ChunkMasks* out) {
        for (size_t k = 0; k < count; ++k) _mm_prefetch(at + 2048 + k * kChunk, _MM_HINT_T0);
        size_t k = 0;
        if (first) out[k++] = NarrowKernel<char>::Masks(at, first);
        const WidestBytes bytes;
        for (; k < count; ++k) out[k] = Masks(at + k * kChunk, bytes);
    }
};

bool ProcessorHasWidestVectors() {
    static const bool has = __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
                            __builtin_cpu_supports("avx512vbmi") != 0;
    return has;
}
#endif
#endif

}  // namespace

template <typename Unit>
LineClassifier<Unit>::LineClassifier(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units,
                                     Kernel kernel)
    : text_(text), units_(units), crLf_(lineBreak.size() == 2), done_(text.empty()) {
#if defined(__SSE2__)
    if (kernel != Kernel::Scalar) kernel_ = Chosen::Narrow;
#if defined(TRAPWRIGHT_WIDE_VECTORS)
    if (kernel >= Kernel::Wide && sizeof(Unit) == 1 && ProcessorHasWideVectors()) kernel_ = Chosen::Wide;
    if (kernel == Kernel::Widest && sizeof(Unit) == 1 && ProcessorHasWidestVectors()) kernel_ = Chosen::Widest;
#endif
#else
    (void)kernel;
#endif
}

template <typename Unit>
bool LineClassifier<Unit>::AppendBatch(ClassifiedLines& lines) {
    if (done_) return false;
    switch (kernel_) {
    case Chosen::Scalar: AppendWith<ScalarKernel<Unit>>(lines); break;
#if defined(__SSE2__)
    case Chosen::Narrow: AppendWith<NarrowKernel<Unit>>(lines); break;
#if defined(TRAPWRIGHT_WIDE_VECTORS)
    case Chosen::Wide:
        if constexpr (sizeof(Unit) == 1) AppendWith<WideKernel>(lines);
        break;
    case Chosen::Widest:
        if constexpr (sizeof(Unit) == 1) AppendWith<WidestKernel>(lines);
        break;
#endif
#endif
    default: break;
    }
    return true;
}

namespace {

// A chunk's line feeds with the first one, two, three and four taken
// away: how many lines end in the chunk, and how many before a unit,
// counted without a branch for the first four.
struct LineFeedsLeft {
    explicit LineFeedsLeft(uint64_t lineFeeds) : all(lineFeeds) {
        uint64_t left = lineFeeds;
        for (uint64_t& next : after) next = left &= left - 1;
    }
    size_t Count() const {
        return static_cast<size_t>((all != 0) + (after[0] != 0) + (after[1] != 0) + (after[2] != 0));
    }
    /// The lines that end before the unit of `bit` (one bit set).
    size_t LinesBefore(uint64_t bit) const {
        const uint64_t below = bit - 1;
        size_t lines = static_cast<size_t>(((all & below) != 0) + ((after[0] & below) != 0) +
                                           ((after[1] & below) != 0) + ((after[2] & below) != 0));
        for (uint64_t rest = after[3] & below; rest != 0; rest &= rest - 1) ++lines;
        return lines;
    }

    uint64_t all;
    uint64_t after[4];
};

// The masks of the chunk at `at` (the text's first when `at` is 0) whose
// units run past the text's end, or too close to it for a kernel to read
// around them: the units are copied with zeros after them, which make no
// bit of any mask.
template <class ChunkKernel, typename Unit>
ChunkMasks TailMasks(UnitView<Unit> text, size_t at) {
    Unit padded[kBefore + kChunk + kAfter + 8] = {};
    const size_t from = at < kBefore ? 0 : at - kBefore;
    for (size_t k = from; k < text.size(); ++k) padded[kBefore + k - at] = text[k];
    return ChunkKernel::Masks(padded + kBefore, at == 0);
}

}  // namespace

// The key position when the space at `space` ends a procedure keyword of the
// line that starts at `start`; 0 otherwise.
template <typename Unit>
inline int32_t LineClassifier<Unit>::KeywordKey(size_t start, size_t space) const {
    const size_t found = KeywordEndingAt(text_.substr(start), space - start);
    return found == UnitView<Unit>::npos ? 0 : static_cast<int32_t>(found + 1);
}

// The header test reads a line no further than its key's keyword, so it
// is made as soon as the key is found, whether or not the line has ended.
template <typename Unit>
bool LineClassifier<Unit>::HeaderTestPasses(size_t start, size_t space, int32_t keyPosition) const {
    return rules::HeaderTestAt(text_.substr(start, space + 1 - start), keyPosition, units_) > 0;
}

template <typename Unit>
template <class ChunkKernel>
void LineClassifier<Unit>::AppendWith(ClassifiedLines& lines) {
    const Unit* const units = text_.data();
    const size_t size = text_.size();
    const bool crLf = crLf_;  // in a local, which no store to the lines can change
    const size_t breakBeforeLineFeed = crLf ? 1 : 0;  // the CR that ends a line with its LF
    size_t start = start_;  // of the line being classified
    const size_t first = lines.ends.size();
    // Room for a batch and what may follow it: a group of chunks ends 64
    // lines a chunk at most, a chunk writes four ends whatever its count,
    // and the text's last line ends with the text. The shapes' room starts
    // out zero: a line's shape bits are set in its place as they are found,
    // the open line's before it ends.
    constexpr size_t kRoom = kBatch + kGroup * kChunk + 4 + 1;
    lines.ends.resize(first + kRoom);
    lines.shapes.resize(first + kRoom);
    lines.shapes[first] = shape_;
    size_t* const endsFrom = lines.ends.data() + first;
    size_t* endOut = endsFrom;
    uint8_t* const shapesFrom = lines.shapes.data() + first;
    size_t* const full = endOut + kBatch;
    // The keys among a chunk's keyword spaces that stand before any quote
    // or apostrophe of their line (`candidates`): on each line, the first
    // space that ends a keyword. The header test decides at once whether
    // its line is a header. `starts`: the chunk's line starts; `openStart`:
    // the start of the line that was open when the chunk began; `firstLine`
    // the first line that ends in the chunk, counted from the batch's first.
    size_t keyedLine = keyedLine_;  // the start of the last line whose key was found
    auto findKeys = [&](uint64_t candidates, uint64_t starts, size_t chunkStart, size_t openStart,
                        const LineFeedsLeft& left, size_t firstLine) {
        for (; candidates != 0; candidates &= candidates - 1) {
            const unsigned bit = LowestBit(candidates);
            const uint64_t lineStarts = starts & BitsBelowLowest(uint64_t{2} << bit);  // at bits 0..bit
            const size_t lineStart = lineStarts != 0 ? chunkStart + HighestBit(lineStarts) : openStart;
            if (lineStart == keyedLine) continue;  // it has its key
            const size_t space = chunkStart + bit;
            const int32_t key = KeywordKey(lineStart, space);
            if (key == 0) continue;
            keyedLine = lineStart;
            if (!HeaderTestPasses(lineStart, space, key)) continue;
            const size_t line = firstLine + left.LinesBefore(uint64_t{1} << bit);
            lines.headers.push_back(HeaderLine{lineCount_ + line, key});
            shapesFrom[line] |= kIsHeader;
        }
    };

    // A chunk of 64 units at a time: its masks, then its lines. The line
    // breaks are its LFs, in a CR LF text only those after a CR. Each
    // line's first unit that is not a blank is found for all lines at once:
    // adding a line's start bit to the blanks' bits carries through the
    // blanks it starts and lands on that unit, and a carry out of the chunk
    // goes on in the next. A chunk writes the ends of its first four lines
    // whatever their count, so that no branch waits on it; a line's shape
    // is looked at only where one of its units may set a bit.
    size_t i = pos_;
    // The state carried from chunk to chunk, kept in locals while the batch is made.
    uint64_t startsChunk = startsChunk_ ? 1 : 0;
    bool firstPending = firstPending_;
    bool quoteSought = quoteSought_;
    ChunkMasks group[kGroup];
    while (i < size && endOut < full) {
        // The chunks a kernel reads around within the text, a group at a
        // time; then a chunk at the text's end.
        size_t count = i + kChunk + kAfter <= size ? std::min(kGroup, (size - kAfter - i) / kChunk) : 0;
        if (count > 0) {
            ChunkKernel::Group(units + i, i == 0, count, group);
        } else {
            group[0] = TailMasks<ChunkKernel>(text_, i);
            count = 1;
        }
        for (size_t c = 0; c < count; ++c, i += kChunk) {
            const ChunkMasks& chunk = group[c];
            const uint64_t lineFeeds = crLf ? chunk.crLineFeeds : chunk.lineFeeds;
            const uint64_t starts = (lineFeeds << 1) | startsChunk;
            startsChunk = lineFeeds >> 63;
            uint64_t landed;
            firstPending = __builtin_add_overflow(chunk.blanks, starts | uint64_t{firstPending}, &landed);
            const uint64_t endLike = landed & ~chunk.blanks & chunk.letterE;
            const uint64_t labelLike = starts & chunk.letters;
            // Each line's first quote or apostrophe, found for all lines at
            // once as its first blank is: a line's start bit carries through
            // the units that are neither and lands on the first of them or on
            // its line feed; a line that holds none carries into the next chunk.
            const uint64_t neither = ~(chunk.quotes | lineFeeds);
            const uint64_t enteredQuoted = (starts & 1) == 0 && !quoteSought ? 1 : 0;
            uint64_t landedQuote;
            const bool soughtBefore = quoteSought;
            quoteSought = __builtin_add_overflow(neither, starts | uint64_t{soughtBefore}, &landedQuote);
            // From each line's first quote (from the chunk's start, for a
            // line that held one before it) up to its line feed: the carry
            // runs through the units before the line feed and the
            // difference is the run between them. Keyword spaces there are
            // dropped before any branch, so that those in strings and
            // comments, which are common, cost no mispredicted one.
            const uint64_t firstQuotes = (landedQuote & chunk.quotes) | enteredQuoted;
            uint64_t quotedEnds;
            __builtin_add_overflow(~lineFeeds, firstQuotes, &quotedEnds);
            const uint64_t quoted = (quotedEnds & lineFeeds) - firstQuotes;

            // The line feeds left after the first one, two, three and four.
            const LineFeedsLeft left(lineFeeds);
            if (const uint64_t candidates = chunk.keywordSpaces & ~quoted; candidates != 0) [[unlikely]] {
                findKeys(candidates, starts, i, start, left, static_cast<size_t>(endOut - endsFrom));
            }
            const size_t endBase = i - breakBeforeLineFeed;
            constexpr uint64_t kTop = uint64_t{1} << 63;  // makes a count of trailing zeros defined
            endOut[0] = endBase + LowestBit(lineFeeds | kTop);
            endOut[1] = endBase + LowestBit(left.after[0] | kTop);
            endOut[2] = endBase + LowestBit(left.after[1] | kTop);
            endOut[3] = endBase + LowestBit(left.after[2] | kTop);
            size_t ended = left.Count();
            for (uint64_t rest = left.after[3]; rest != 0; rest &= rest - 1) endOut[ended++] = endBase + LowestBit(rest);

            uint8_t* const shapeAt = shapesFrom + (endOut - endsFrom);  // of the first line that ends here
            if ((chunk.errors | endLike | chunk.marks | labelLike) != 0) {
                auto mark = [&](uint64_t bits, uint8_t shape) {
                    for (; bits != 0; bits &= bits - 1) shapeAt[left.LinesBefore(bits & (0 - bits))] |= shape;
                };
                mark(chunk.errors, kMayUseError);
                mark(endLike, kMayBeEndLine);
                mark(chunk.marks, kMayContinue);
                mark(labelLike, kMayBeLabel);
            }
            if (lineFeeds != 0) start = i + HighestBit(lineFeeds) + 1;
            endOut += ended;
        }
    }
    if (i >= size) {
        // Every unit was read: the last line ends with the text.
        i = size;
        *endOut++ = size;
        start = size;
        done_ = true;
    }
    startsChunk_ = startsChunk != 0;
    firstPending_ = firstPending;
    quoteSought_ = quoteSought;
    keyedLine_ = keyedLine;
    const auto appended = static_cast<size_t>(endOut - endsFrom);
    lineCount_ += appended;
    pos_ = i;
    start_ = start;
    shape_ = done_ ? 0 : shapesFrom[appended];
    lines.ends.resize(first + appended);
    lines.shapes.resize(first + appended);
}

template class LineClassifier<char16_t>;
template class LineClassifier<char>;

}  // namespace scan
