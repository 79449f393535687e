// One pass over a module's text for its lines, their key positions, the
// header test's verdict on each, and whether each may use the error state.
#include "source_transformation/LineClassifier.h"

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

// What a kernel finds in a chunk, one bit per unit: line feeds, and those
// after a CR; quotes and apostrophes; spaces after a letter that ends a
// keyword; the starts of "err" and "erl", letter case ignored; blanks; the
// letter "e" in either case; each "_" after a blank; and ASCII letters and
// units that are no ASCII character.
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

// Whether a unit is a letter that ends a keyword, letter case ignored: a
// space after it is a key candidate.
template <typename Unit>
bool EndsKeywordLetter(Unit unit) {
    const auto folded = static_cast<Unit>(unit | 0x20);
    for (const char letter : kKeywordLastLetters) {
        if (folded == static_cast<Unit>(letter)) return true;
    }
    return false;
}

/// The lowest set bit's index.
unsigned LowestBit(uint64_t mask) { return static_cast<unsigned>(__builtin_ctzll(mask)); }

/// The bits below the lowest set bit of `mask`; all bits when it has none.
uint64_t BitsBelowLowest(uint64_t mask) { return (mask & (0 - mask)) - 1; }

/// The highest set bit's index.
unsigned HighestBit(uint64_t mask) { return 63 - static_cast<unsigned>(__builtin_clzll(mask)); }

/// The bits above bit `bit` (none above bit 63).
uint64_t BitsAbove(unsigned bit) { return 0 - (uint64_t{2} << bit); }

// The plain kernel: every unit looked at on its own. The chunk's units from
// `at` - 1 to `at` + 65 are within the text, but for the one before the
// text's first chunk.
template <typename Unit>
struct ScalarKernel {
    static ChunkMasks Masks(const Unit* at, bool first) {
        ChunkMasks chunk;
        for (size_t k = 0; k < kChunk; ++k) {
            const Unit c = at[k];
            const Unit before = first && k == 0 ? Unit{0} : at[static_cast<ptrdiff_t>(k) - 1];
            const uint64_t bit = uint64_t{1} << k;
            if (c == '\n') chunk.lineFeeds |= bit;
            if (c == '\n' && before == '\r') chunk.crLineFeeds |= bit;
            if (c == '"' || c == '\'') chunk.quotes |= bit;
            if (c == ' ' && EndsKeywordLetter(before)) chunk.keywordSpaces |= bit;
            if (ErrorWordAt(at + k)) chunk.errors |= bit;
            if (IsBlankUnit(c)) chunk.blanks |= bit;
            if ((c | 0x20) == 'e') chunk.letterE |= bit;
            if (c == '_' && IsBlankUnit(before)) chunk.marks |= bit;
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
};

template <typename Unit>
__m128i Load(const Unit* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The masks of one vector of units as vectors: `before` holds the unit
// before each, `next` and `second` the unit after each and the one after that.
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
VectorMasks MasksOfVector(__m128i units, __m128i before, __m128i next, __m128i second) {
    using L = Lanes<Unit>;
    const __m128i folded = L::Fold(before);
    const __m128i afterKeywordLetter =
        _mm_or_si128(_mm_or_si128(L::Equal(folded, kKeywordLastLetters[0]), L::Equal(folded, kKeywordLastLetters[1])),
                     L::Equal(folded, kKeywordLastLetters[2]));
    const __m128i quotes = _mm_or_si128(L::Equal(units, '"'), L::Equal(units, '\''));
    const __m128i keywordSpaces = _mm_and_si128(L::Equal(units, ' '), afterKeywordLetter);
    const __m128i foldedSecond = L::Fold(second);
    const __m128i letterE = L::Equal(L::Fold(units), 'e');
    const __m128i errors = _mm_and_si128(_mm_and_si128(letterE, L::Equal(L::Fold(next), 'r')),
                                         _mm_or_si128(L::Equal(foldedSecond, 'r'), L::Equal(foldedSecond, 'l')));
    const __m128i lineFeeds = L::Equal(units, '\n');
    const __m128i blanks = _mm_or_si128(L::Equal(units, ' '), L::Equal(units, '\t'));
    const __m128i blankBefore = _mm_or_si128(L::Equal(before, ' '), L::Equal(before, '\t'));
    return {lineFeeds,
            _mm_and_si128(lineFeeds, L::Equal(before, '\r')),
            quotes,
            keywordSpaces,
            errors,
            blanks,
            letterE,
            _mm_and_si128(L::Equal(units, '_'), blankBefore),
            L::MayBeLetter(units)};
}

// The 16-byte kernel, which every x86-64 processor has. Sixteen bytes are
// one vector; sixteen UTF-16 units are two, their compares packed to a
// byte each.
template <typename Unit>
struct NarrowKernel;

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

template <>
struct NarrowKernel<char> {
    static ChunkMasks Masks(const char* at, bool first) {
        ChunkMasks chunk;
        auto bits = [](__m128i x) { return uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(x))}; };
        for (unsigned k = 0; k < kChunk; k += 16) {
            const __m128i units = Load(at + k);
            const __m128i before = first && k == 0 ? _mm_slli_si128(units, 1) : Load(at + k - 1);
            AddMasks(MasksOfVector<char>(units, before, Load(at + k + 1), Load(at + k + 2)), bits, k, chunk);
        }
        return chunk;
    }
};

template <>
struct NarrowKernel<char16_t> {
    static ChunkMasks Masks(const char16_t* at, bool first) {
        ChunkMasks chunk;
        for (unsigned k = 0; k < kChunk; k += 16) {
            const char16_t* low = at + k;
            const __m128i lowUnits = Load(low);
            const __m128i lowBefore = first && k == 0 ? _mm_slli_si128(lowUnits, 2) : Load(low - 1);
            const VectorMasks a = MasksOfVector<char16_t>(lowUnits, lowBefore, Load(low + 1), Load(low + 2));
            const VectorMasks b = MasksOfVector<char16_t>(Load(low + 8), Load(low + 7), Load(low + 9), Load(low + 10));
            // Sixteen units in two vectors: their compares packed to a byte each.
            auto packed = [](__m128i x, __m128i y) {
                return uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(x, y)))};
            };
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
// The lanes of 32 bytes equal to `c`.
__attribute__((target("avx2"))) inline __m256i WideEqual(__m256i units, char c) {
    return _mm256_cmpeq_epi8(units, _mm256_set1_epi8(c));
}

__attribute__((target("avx2"))) inline __m256i WideLoad(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

__attribute__((target("avx2"))) inline __m256i WideFold(__m256i units) {
    return _mm256_or_si256(units, _mm256_set1_epi8(0x20));
}

// One bit for each lane of 32 that is set.
__attribute__((target("avx2"))) inline uint64_t WideBits(__m256i lanes) {
    return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(lanes))};
}

// The masks of the 32 bytes at `at`, which do not begin the text.
__attribute__((target("avx2"))) inline void WideMasksOf(const char* at, ChunkMasks& chunk, unsigned shift) {
    const __m256i units = WideLoad(at);
    const __m256i before = WideLoad(at - 1);
    const __m256i folded = WideFold(before);
    const __m256i afterKeywordLetter = _mm256_or_si256(
        _mm256_or_si256(WideEqual(folded, kKeywordLastLetters[0]), WideEqual(folded, kKeywordLastLetters[1])),
        WideEqual(folded, kKeywordLastLetters[2]));
    const __m256i quotes = _mm256_or_si256(WideEqual(units, '"'), WideEqual(units, '\''));
    const __m256i keywordSpaces = _mm256_and_si256(WideEqual(units, ' '), afterKeywordLetter);
    const __m256i second = WideFold(WideLoad(at + 2));
    const __m256i letterE = WideEqual(WideFold(units), 'e');
    const __m256i errors = _mm256_and_si256(_mm256_and_si256(letterE, WideEqual(WideFold(WideLoad(at + 1)), 'r')),
                                            _mm256_or_si256(WideEqual(second, 'r'), WideEqual(second, 'l')));
    const __m256i lineFeeds = WideEqual(units, '\n');
    const __m256i blankBefore = _mm256_or_si256(WideEqual(before, ' '), WideEqual(before, '\t'));
    chunk.lineFeeds |= WideBits(lineFeeds) << shift;
    chunk.crLineFeeds |= WideBits(_mm256_and_si256(lineFeeds, WideEqual(before, '\r'))) << shift;
    chunk.quotes |= WideBits(quotes) << shift;
    chunk.keywordSpaces |= WideBits(keywordSpaces) << shift;
    chunk.errors |= WideBits(errors) << shift;
    chunk.blanks |= WideBits(_mm256_or_si256(WideEqual(units, ' '), WideEqual(units, '\t'))) << shift;
    chunk.letterE |= WideBits(letterE) << shift;
    chunk.marks |= WideBits(_mm256_and_si256(WideEqual(units, '_'), blankBefore)) << shift;
    const __m256i foldedUnits = WideFold(units);
    const __m256i ascii = _mm256_and_si256(_mm256_cmpgt_epi8(foldedUnits, _mm256_set1_epi8('a' - 1)),
                                           _mm256_cmpgt_epi8(_mm256_set1_epi8('z' + 1), foldedUnits));
    chunk.letters |= (WideBits(ascii) | WideBits(units)) << shift;
}

// The 32-byte kernel, for bytes on processors that have the wider
// vectors; the chunk that begins the text goes to the narrow one, which
// takes care of the missing unit before it.
struct WideKernel {
    __attribute__((target("avx2"))) static ChunkMasks Masks(const char* at, bool first) {
        if (first) return NarrowKernel<char>::Masks(at, first);
        ChunkMasks chunk;
        WideMasksOf(at, chunk, 0);
        WideMasksOf(at + 32, chunk, 32);
        return chunk;
    }
};

bool ProcessorHasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx2") != 0;
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
    if (kernel == Kernel::Widest && sizeof(Unit) == 1 && ProcessorHasWideVectors()) kernel_ = Chosen::Wide;
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
#endif
#endif
    default: break;
    }
    return true;
}

namespace {

// The shape bits the units of a line's bits give.
uint8_t ShapeOf(const ChunkMasks& chunk, uint64_t endLike, uint64_t labelLike, uint64_t line) {
    return static_cast<uint8_t>(((chunk.errors & line) != 0 ? kMayUseError : 0) |
                                ((endLike & line) != 0 ? kMayBeEndLine : 0) |
                                ((chunk.marks & line) != 0 ? kMayContinue : 0) |
                                ((labelLike & line) != 0 ? kMayBeLabel : 0));
}

// The masks of the chunk at `at` (the text's first when `at` is 0) whose
// units run past the text's end, or too close to it for a kernel to read
// around them: the units are copied with zeros after them, which make no
// bit of any mask.
template <class ChunkKernel, typename Unit>
ChunkMasks TailMasks(UnitView<Unit> text, size_t at) {
    Unit padded[1 + kChunk + 7] = {};
    if (at > 0) padded[0] = text[at - 1];
    const size_t count = text.size() - at;
    for (size_t k = 0; k < count; ++k) padded[1 + k] = text[at + k];
    return ChunkKernel::Masks(padded + 1, at == 0);
}

}  // namespace

template <typename Unit>
template <class ChunkKernel>
void LineClassifier<Unit>::AppendWith(ClassifiedLines& lines) {
    const Unit* const units = text_.data();
    const size_t size = text_.size();
    const size_t breakBeforeLineFeed = crLf_ ? 1 : 0;  // the CR that ends a line with its LF
    // The line being classified, kept in locals while the batch is made.
    size_t start = start_;
    uint8_t shape = shape_;
    const size_t first = lines.ends.size();
    // Room for a batch and what may follow it: a chunk ends 64 lines at
    // most, and the text's last line ends with the text.
    lines.ends.resize(first + kBatch + kChunk + 1);
    lines.shapes.resize(first + kBatch + kChunk + 1);
    size_t* const endsFrom = lines.ends.data() + first;
    size_t* endOut = endsFrom;
    uint8_t* shapeOut = lines.shapes.data() + first;
    size_t* const full = endOut + kBatch;
    // The space of the next keyword whose line has not ended; none: past every unit.
    auto nextKeySpace = [this] { return keysTaken_ < keys_.size() ? keys_[keysTaken_].space : ~size_t{0}; };
    size_t keySpace = nextKeySpace();
    // A line whose keyword space it holds takes the key: the header test decides.
    auto takeKey = [&](size_t end) -> uint8_t {
        const PendingKey& key = keys_[keysTaken_++];
        keySpace = nextKeySpace();
        if (!HeaderTestPasses(start, end, key.keyPosition)) return 0;
        lines.headers.push_back(HeaderLine{lineCount_ + static_cast<size_t>(endOut - endsFrom), key.keyPosition});
        return kIsHeader;
    };

    // A chunk of 64 units at a time: its masks, then its lines in order.
    // The line breaks are its LFs, in a CR LF text only those after a CR.
    // Each line's first unit that is not a blank is found for all lines at
    // once: adding a line's start bit to the blanks' bits carries through
    // the blanks it starts and lands on that unit, and a carry out of the
    // chunk goes on in the next. A line costs its end and its shape; its
    // shape is read from the masks only when one of its units may set a bit.
    size_t i = pos_;
    for (; i < size && endOut < full; i += kChunk) {
        const ChunkMasks chunk = i + kChunk + 2 <= size ? ChunkKernel::Masks(units + i, i == 0)
                                                        : TailMasks<ChunkKernel>(text_, i);
        uint64_t lineFeeds = crLf_ ? chunk.crLineFeeds : chunk.lineFeeds;
        const uint64_t starts = (lineFeeds << 1) | startsChunk_;
        startsChunk_ = lineFeeds >> 63;
        uint64_t landed;
        firstPending_ = __builtin_add_overflow(chunk.blanks, starts | uint64_t{firstPending_}, &landed);
        const uint64_t endLike = landed & ~chunk.blanks & chunk.letterE;
        const uint64_t labelLike = starts & chunk.letters;
        const uint64_t interesting = chunk.errors | endLike | chunk.marks | labelLike;
        if (chunk.keywordSpaces != 0) [[unlikely]] {
            FindKeys(chunk.keywordSpaces, starts, chunk.quotes, i, start);
            keySpace = nextKeySpace();
        }
        uint64_t from = ~uint64_t{0};  // the bits of the line being classified
        while (lineFeeds != 0) {
            const unsigned bit = LowestBit(lineFeeds);
            const uint64_t line = from & BitsBelowLowest(lineFeeds);
            const size_t end = i + bit - breakBeforeLineFeed;
            uint8_t lineShape = shape;
            if ((interesting & line) != 0) lineShape |= ShapeOf(chunk, endLike, labelLike, line);
            if (keySpace < end) [[unlikely]] lineShape |= takeKey(end);
            *endOut++ = end;
            *shapeOut++ = lineShape;
            shape = 0;
            start = i + bit + 1;
            from = BitsAbove(bit);
            lineFeeds &= lineFeeds - 1;
        }
        if ((interesting & from) != 0) shape |= ShapeOf(chunk, endLike, labelLike, from);
    }
    if (i >= size) {
        // Every unit was read: the last line ends with the text.
        i = size;
        if (keySpace < size) shape |= takeKey(size);
        *endOut++ = size;
        *shapeOut++ = shape;
        start = size;
        done_ = true;
    }
    const auto appended = static_cast<size_t>(endOut - endsFrom);
    lineCount_ += appended;
    pos_ = i;
    start_ = start;
    shape_ = shape;
    lines.ends.resize(first + appended);
    lines.shapes.resize(first + appended);
    if (keysTaken_ == keys_.size()) {
        keys_.clear();
        keysTaken_ = 0;
    }
}

// The keys among a chunk's keyword spaces (`candidates`): on each line,
// the first space that ends a keyword before any quote or apostrophe of
// the line. `openStart`: the start of the line that was open when the
// chunk began, whose units before the chunk are looked at only when one
// of its spaces is a candidate.
template <typename Unit>
void LineClassifier<Unit>::FindKeys(uint64_t candidates, uint64_t starts, uint64_t quotes, size_t chunkStart,
                                    size_t openStart) {
    for (; candidates != 0; candidates &= candidates - 1) {
        const unsigned bit = LowestBit(candidates);
        const uint64_t upTo = BitsBelowLowest(uint64_t{2} << bit);  // bits 0..bit; all of them for bit 63
        const uint64_t lineStarts = starts & upTo;
        size_t lineStart = openStart;
        uint64_t lineBits = upTo;
        if (lineStarts != 0) {
            const unsigned first = HighestBit(lineStarts);
            lineStart = chunkStart + first;
            lineBits &= ~BitsBelowLowest(uint64_t{1} << first);
        }
        if ((quotes & lineBits) != 0) continue;
        if (keysTaken_ < keys_.size() && keys_.back().lineStart == lineStart) continue;  // it has its key
        if (lineStarts == 0 && QuoteBetween(openStart, chunkStart)) continue;
        const int32_t key = KeywordKey(lineStart, chunkStart + bit);
        if (key > 0) keys_.push_back(PendingKey{lineStart, chunkStart + bit, key});
    }
}

// Whether a quote or an apostrophe stands in [from, to).
template <typename Unit>
bool LineClassifier<Unit>::QuoteBetween(size_t from, size_t to) const {
    for (size_t k = from; k < to; ++k) {
        if (text_[k] == '"' || text_[k] == '\'') return true;
    }
    return false;
}

// The key position when the space at `space` ends a procedure keyword of the
// line that starts at `start`; 0 otherwise.
template <typename Unit>
int32_t LineClassifier<Unit>::KeywordKey(size_t start, size_t space) const {
    const size_t found = KeywordEndingAt(text_.substr(start), space - start);
    return found == UnitView<Unit>::npos ? 0 : static_cast<int32_t>(found + 1);
}

// Only a keyword can be a header's key; the rule decides.
template <typename Unit>
bool LineClassifier<Unit>::HeaderTestPasses(size_t start, size_t end, int32_t keyPosition) const {
    return rules::HeaderTestAt(text_.substr(start, end - start), keyPosition, units_) > 0;
}

template class LineClassifier<char16_t>;
template class LineClassifier<char>;

}  // namespace scan
