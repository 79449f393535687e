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

// What a kernel finds in a chunk, one bit per unit: line feeds; key
// candidates (quotes, apostrophes, and spaces after a letter that ends a
// keyword); and the starts of "err" and "erl", letter case ignored.
struct ChunkMasks {
    uint64_t lineFeeds = 0;
    uint64_t keys = 0;
    uint64_t errors = 0;
};

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
uint64_t BitsBelowLowest(uint64_t mask) { return mask != 0 ? (mask & (0 - mask)) - 1 : ~uint64_t{0}; }

/// The bits above bit `bit` (none above bit 63).
uint64_t BitsAbove(unsigned bit) { return 0 - (uint64_t{2} << bit); }

// The plain kernel: every unit looked at on its own. The chunk's units from
// `at` - 1 to `at` + 65 are within the text.
template <typename Unit>
struct ScalarKernel {
    static ChunkMasks Masks(const Unit* at, bool first) {
        ChunkMasks chunk;
        for (size_t k = 0; k < kChunk; ++k) {
            const Unit c = at[k];
            const uint64_t bit = uint64_t{1} << k;
            if (c == '\n') chunk.lineFeeds |= bit;
            if (c == '"' || c == '\'') chunk.keys |= bit;
            if (c == ' ' && !(first && k == 0) && EndsKeywordLetter(at[static_cast<ptrdiff_t>(k) - 1])) chunk.keys |= bit;
            if (ErrorWordAt(at + k)) chunk.errors |= bit;
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
};

template <>
struct Lanes<char16_t> {
    static __m128i Equal(__m128i units, char16_t c) { return _mm_cmpeq_epi16(units, _mm_set1_epi16(static_cast<short>(c))); }
    static __m128i Fold(__m128i units) { return _mm_or_si128(units, _mm_set1_epi16(0x20)); }
};

template <typename Unit>
__m128i Load(const Unit* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The masks of one vector of units as vectors: `before` holds the unit
// before each, `next` and `second` the unit after each and the one after that.
template <typename Unit>
struct VectorMasks {
    __m128i lineFeeds;
    __m128i keys;
    __m128i errors;
};

template <typename Unit>
VectorMasks<Unit> MasksOfVector(__m128i units, __m128i before, __m128i next, __m128i second) {
    using L = Lanes<Unit>;
    const __m128i folded = L::Fold(before);
    const __m128i afterKeywordLetter =
        _mm_or_si128(_mm_or_si128(L::Equal(folded, kKeywordLastLetters[0]), L::Equal(folded, kKeywordLastLetters[1])),
                     L::Equal(folded, kKeywordLastLetters[2]));
    const __m128i keys = _mm_or_si128(_mm_or_si128(L::Equal(units, '"'), L::Equal(units, '\'')),
                                      _mm_and_si128(L::Equal(units, ' '), afterKeywordLetter));
    const __m128i foldedSecond = L::Fold(second);
    const __m128i errors =
        _mm_and_si128(_mm_and_si128(L::Equal(L::Fold(units), 'e'), L::Equal(L::Fold(next), 'r')),
                      _mm_or_si128(L::Equal(foldedSecond, 'r'), L::Equal(foldedSecond, 'l')));
    return {L::Equal(units, '\n'), keys, errors};
}

// The 16-byte kernel, which every x86-64 processor has. Sixteen bytes are
// one vector; sixteen UTF-16 units are two, their compares packed to a
// byte each.
template <typename Unit>
struct NarrowKernel;

template <>
struct NarrowKernel<char> {
    static ChunkMasks Masks(const char* at, bool first) {
        ChunkMasks chunk;
        for (size_t k = 0; k < kChunk; k += 16) {
            const __m128i units = Load(at + k);
            const __m128i before = first && k == 0 ? _mm_slli_si128(units, 1) : Load(at + k - 1);
            const VectorMasks<char> masks = MasksOfVector<char>(units, before, Load(at + k + 1), Load(at + k + 2));
            chunk.lineFeeds |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(masks.lineFeeds))} << k;
            chunk.keys |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(masks.keys))} << k;
            chunk.errors |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(masks.errors))} << k;
        }
        return chunk;
    }
};

template <>
struct NarrowKernel<char16_t> {
    static ChunkMasks Masks(const char16_t* at, bool first) {
        ChunkMasks chunk;
        for (size_t k = 0; k < kChunk; k += 16) {
            const char16_t* low = at + k;
            const __m128i lowUnits = Load(low);
            const __m128i lowBefore = first && k == 0 ? _mm_slli_si128(lowUnits, 2) : Load(low - 1);
            const VectorMasks<char16_t> a = MasksOfVector<char16_t>(lowUnits, lowBefore, Load(low + 1), Load(low + 2));
            const VectorMasks<char16_t> b = MasksOfVector<char16_t>(Load(low + 8), Load(low + 7), Load(low + 9), Load(low + 10));
            auto packed = [](__m128i x, __m128i y) {
                return uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(x, y)))};
            };
            chunk.lineFeeds |= packed(a.lineFeeds, b.lineFeeds) << k;
            chunk.keys |= packed(a.keys, b.keys) << k;
            chunk.errors |= packed(a.errors, b.errors) << k;
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

// The masks of the 32 bytes at `at`, which do not begin the text.
__attribute__((target("avx2"))) inline void WideMasksOf(const char* at, ChunkMasks& chunk, unsigned shift) {
    const __m256i units = WideLoad(at);
    const __m256i folded = WideFold(WideLoad(at - 1));
    const __m256i afterKeywordLetter = _mm256_or_si256(
        _mm256_or_si256(WideEqual(folded, kKeywordLastLetters[0]), WideEqual(folded, kKeywordLastLetters[1])),
        WideEqual(folded, kKeywordLastLetters[2]));
    const __m256i keys = _mm256_or_si256(_mm256_or_si256(WideEqual(units, '"'), WideEqual(units, '\'')),
                                         _mm256_and_si256(WideEqual(units, ' '), afterKeywordLetter));
    const __m256i second = WideFold(WideLoad(at + 2));
    const __m256i errors =
        _mm256_and_si256(_mm256_and_si256(WideEqual(WideFold(units), 'e'), WideEqual(WideFold(WideLoad(at + 1)), 'r')),
                         _mm256_or_si256(WideEqual(second, 'r'), WideEqual(second, 'l')));
    chunk.lineFeeds |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(WideEqual(units, '\n')))} << shift;
    chunk.keys |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(keys))} << shift;
    chunk.errors |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(errors))} << shift;
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
bool LineClassifier<Unit>::AppendBatch(std::vector<ClassifiedLine>& lines) {
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

template <typename Unit>
template <class ChunkKernel>
void LineClassifier<Unit>::AppendWith(std::vector<ClassifiedLine>& lines) {
    const Unit* const units = text_.data();
    const size_t size = text_.size();
    const bool crLf = crLf_;
    // The line being classified, kept in locals while the batch is made.
    size_t start = start_;
    int32_t keyPosition = keyPosition_;
    bool keyword = keyword_;
    bool error = error_;
    const size_t first = lines.size();
    lines.resize(first + kBatch + kChunk);  // a chunk ends 64 lines at most
    ClassifiedLine* out = lines.data() + first;
    ClassifiedLine* const full = out + kBatch;
    // An LF ends its line, except a lone one in a CR LF text.
    auto lineFeed = [&](size_t at) {
        size_t end = at;
        if (crLf) {
            if (at == 0 || units[at - 1] != '\r') return;
            end = at - 1;
        }
        *out++ = LineAt(start, end, keyPosition, keyword, error);
        start = at + 1;
        keyPosition = 0;
        keyword = false;
        error = false;
    };

    // A chunk of 64 units at a time, while the units a kernel reads around
    // it (one before, two after) are within the text: the masks of its LFs,
    // key candidates and error words, then its lines in order. While a
    // line's key position is unknown, its candidates before its end are
    // tried in order: the first quote or apostrophe is one, a space only
    // after a keyword.
    size_t i = pos_;
    for (; i + kChunk + 2 <= size && out < full; i += kChunk) {
        const ChunkMasks chunk = ChunkKernel::Masks(units + i, i == 0);
        uint64_t lineFeeds = chunk.lineFeeds;
        uint64_t keys = chunk.keys;
        uint64_t errors = chunk.errors;
        for (;;) {
            const uint64_t beforeLineFeed = BitsBelowLowest(lineFeeds);
            if (keyPosition == 0) {
                for (uint64_t candidates = keys & beforeLineFeed; candidates != 0; candidates &= candidates - 1) {
                    const size_t at = i + LowestBit(candidates);
                    if (units[at] != ' ') [[likely]] {
                        keyPosition = static_cast<int32_t>(at - start + 1);
                        break;
                    }
                    keyPosition = KeywordKey(start, at);
                    if (keyPosition > 0) {
                        keyword = true;
                        break;
                    }
                }
            }
            error = error || (errors & beforeLineFeed) != 0;
            if (lineFeeds == 0) break;
            const unsigned bit = LowestBit(lineFeeds);
            lineFeeds &= lineFeeds - 1;
            keys &= BitsAbove(bit);
            errors &= BitsAbove(bit);
            lineFeed(i + bit);
        }
    }
    if (out < full) {
        for (; i < size; ++i) {
            const Unit c = units[i];
            if (c == '\n') {
                lineFeed(i);
                continue;
            }
            if (keyPosition == 0) {
                if (c == '"' || c == '\'') {
                    keyPosition = static_cast<int32_t>(i - start + 1);
                } else if (c == ' ') {
                    keyPosition = KeywordKey(start, i);
                    keyword = keyPosition > 0;
                }
            }
            if (i + 2 < size && ErrorWordAt(units + i)) error = true;
        }
    }
    if (i == size) {
        *out++ = LineAt(start, size, keyPosition, keyword, error);
        start = size;
        done_ = true;
    }
    pos_ = i;
    start_ = start;
    keyPosition_ = keyPosition;
    keyword_ = keyword;
    error_ = error;
    lines.resize(static_cast<size_t>(out - lines.data()));
}

// The key position when the space at `space` ends a procedure keyword of the
// line that starts at `start`; 0 otherwise.
template <typename Unit>
int32_t LineClassifier<Unit>::KeywordKey(size_t start, size_t space) const {
    const size_t found = KeywordEndingAt(text_.substr(start), space - start);
    return found == UnitView<Unit>::npos ? 0 : static_cast<int32_t>(found + 1);
}

template <typename Unit>
inline ClassifiedLine LineClassifier<Unit>::LineAt(size_t start, size_t end, int32_t keyPosition, bool keyword,
                                            bool error) const {
    ClassifiedLine line(start, end, keyPosition);
    const UnitView<Unit> units = text_.substr(start, end - start);
    line.shape = static_cast<uint8_t>(ShapeOf(units, units_) | (error ? kMayUseError : 0));
    // Only a keyword can be a header's key; the rule decides.
    if (keyword) [[unlikely]] line.header = rules::HeaderTestAt(units, keyPosition, units_) > 0;
    return line;
}

template class LineClassifier<char16_t>;
template class LineClassifier<char>;

}  // namespace scan
