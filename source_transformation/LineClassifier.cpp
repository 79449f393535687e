// One pass over a module's text for its lines, their key positions and the
// header test's verdict on each.
#include "source_transformation/LineClassifier.h"

#include <cstdint>
#include <type_traits>

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/ScanKeywords.h"

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

#if defined(__SSE2__)
// The LFs and the key candidates (quotes, apostrophes, and spaces after a
// letter that ends a keyword) of 16 units, one bit per unit.
struct Masks {
    uint32_t lineFeeds;
    uint32_t keyCandidates;
};

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

// The lanes holding a key candidate; `before` holds the unit before each.
template <typename Unit>
__m128i KeyCandidates(__m128i units, __m128i before) {
    using L = Lanes<Unit>;
    const __m128i folded = L::Fold(before);
    const __m128i afterKeywordLetter =
        _mm_or_si128(_mm_or_si128(L::Equal(folded, kKeywordLastLetters[0]), L::Equal(folded, kKeywordLastLetters[1])),
                     L::Equal(folded, kKeywordLastLetters[2]));
    return _mm_or_si128(_mm_or_si128(L::Equal(units, '"'), L::Equal(units, '\'')),
                        _mm_and_si128(L::Equal(units, ' '), afterKeywordLetter));
}

// The masks of 16 units; `first`: they begin the text, so the first has
// nothing before it. Sixteen bytes are one vector.
Masks MasksOf(const char* at, bool first) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i before = first ? _mm_slli_si128(units, 1) : _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1));
    return Masks{static_cast<uint32_t>(_mm_movemask_epi8(Lanes<char>::Equal(units, '\n'))),
                 static_cast<uint32_t>(_mm_movemask_epi8(KeyCandidates<char>(units, before)))};
}

// Sixteen UTF-16 units are two vectors, their compares packed to a byte each.
Masks MasksOf(const char16_t* at, bool first) {
    using L = Lanes<char16_t>;
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 8));
    const __m128i lowBefore = first ? _mm_slli_si128(low, 2) : _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1));
    const __m128i highBefore = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 7));
    const __m128i lineFeeds = _mm_packs_epi16(L::Equal(low, '\n'), L::Equal(high, '\n'));
    const __m128i keys =
        _mm_packs_epi16(KeyCandidates<char16_t>(low, lowBefore), KeyCandidates<char16_t>(high, highBefore));
    return Masks{static_cast<uint32_t>(_mm_movemask_epi8(lineFeeds)), static_cast<uint32_t>(_mm_movemask_epi8(keys))};
}

constexpr size_t kChunk = 64;  // units per chunk: one bit each in a 64-bit mask

// The LF and key-candidate masks of a chunk.
struct ChunkMasks {
    uint64_t lineFeeds = 0;
    uint64_t keys = 0;
};

// The masks of the chunk at `at`, 16 units at a time; `first`: it begins
// the text.
template <typename Unit>
ChunkMasks NarrowChunkMasks(const Unit* at, bool first) {
    ChunkMasks chunk;
    for (size_t k = 0; k < kChunk; k += 16) {
        const Masks masks = MasksOf(at + k, first && k == 0);
        chunk.lineFeeds |= uint64_t{masks.lineFeeds} << k;
        chunk.keys |= uint64_t{masks.keyCandidates} << k;
    }
    return chunk;
}

#if defined(TRAPWRIGHT_WIDE_VECTORS)
// The lanes of 32 bytes equal to `c`.
__attribute__((target("avx2"))) inline __m256i WideEqual(__m256i units, char c) {
    return _mm256_cmpeq_epi8(units, _mm256_set1_epi8(c));
}

// The LF and key-candidate bits of the 32 bytes at `at`, which do not
// begin the text.
__attribute__((target("avx2"))) inline void WideMasksOf(const char* at, uint64_t& lineFeeds, uint64_t& keys) {
    const __m256i units = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i folded =
        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 1)), _mm256_set1_epi8(0x20));
    const __m256i afterKeywordLetter = _mm256_or_si256(
        _mm256_or_si256(WideEqual(folded, kKeywordLastLetters[0]), WideEqual(folded, kKeywordLastLetters[1])),
        WideEqual(folded, kKeywordLastLetters[2]));
    const __m256i candidates = _mm256_or_si256(_mm256_or_si256(WideEqual(units, '"'), WideEqual(units, '\'')),
                                               _mm256_and_si256(WideEqual(units, ' '), afterKeywordLetter));
    lineFeeds = static_cast<uint32_t>(_mm256_movemask_epi8(WideEqual(units, '\n')));
    keys = static_cast<uint32_t>(_mm256_movemask_epi8(candidates));
}

// The masks of 64 bytes that do not begin the text, 32 at a time, on
// processors that have the wider vectors.
__attribute__((target("avx2"))) ChunkMasks WideChunkMasks(const char* at) {
    uint64_t lowLineFeeds, lowKeys, highLineFeeds, highKeys;
    WideMasksOf(at, lowLineFeeds, lowKeys);
    WideMasksOf(at + 32, highLineFeeds, highKeys);
    return ChunkMasks{lowLineFeeds | highLineFeeds << 32, lowKeys | highKeys << 32};
}

bool ProcessorHasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
}
#endif

unsigned LowestBit(uint64_t mask) { return static_cast<unsigned>(__builtin_ctzll(mask)); }
#endif

}  // namespace

template <typename Unit>
LineClassifier<Unit>::LineClassifier(UnitView<Unit> text, vb::TextView lineBreak, Vectors vectors)
    : text_(text), crLf_(lineBreak.size() == 2), done_(text.empty()) {
#if defined(TRAPWRIGHT_WIDE_VECTORS)
    wide_ = vectors == Vectors::Widest && ProcessorHasWideVectors();
#else
    (void)vectors;
#endif
}

template <typename Unit>
bool LineClassifier<Unit>::AppendBatch(std::vector<ClassifiedLine>& lines) {
    if (done_) return false;
    const UnitView<Unit> text = text_;
    const bool crLf = crLf_;
    // The line being classified, kept in locals while the batch is made.
    size_t start = current_.start;
    int32_t keyPosition = current_.keyPosition;
    const size_t first = lines.size();
    lines.resize(first + kBatch + 64);  // a chunk ends 64 lines at most
    ClassifiedLine* out = lines.data() + first;
    ClassifiedLine* const full = out + kBatch;

    auto endLine = [&](size_t end, size_t next) {
        ClassifiedLine& line = *out++;
        line = ClassifiedLine{start, end, keyPosition};
        line.shape = ShapeOf(text.substr(start, end - start));
        if (keyPosition > 0) {
            line.mayBeHeader = MayBeHeader(text.substr(start, end - start), keyPosition, line.headerDecided);
        }
        start = next;
        keyPosition = 0;
    };
    // An LF ends its line, except a lone one in a CR LF text.
    auto lineFeed = [&](size_t at) {
        if (!crLf) {
            endLine(at, at + 1);
        } else if (at > 0 && text[at - 1] == '\r') {
            endLine(at - 1, at + 1);
        }
    };
    // A quote or an apostrophe is the key position; a space is when it
    // ends a procedure keyword. True when it is.
    auto isKey = [&](size_t at) {
        const Unit c = text[at];
        if (c == '"' || c == '\'') {
            keyPosition = static_cast<int32_t>(at - start + 1);
            return true;
        }
        if (c != ' ') return false;
        const size_t keyword = KeywordEndingAt(text.substr(start), at - start);
        if (keyword == UnitView<Unit>::npos) return false;
        keyPosition = static_cast<int32_t>(keyword + 1);
        return true;
    };

    size_t i = pos_;
#if defined(__SSE2__)
    // A chunk of 64 units at a time: the masks of its LFs and key
    // candidates, then its lines in order. While a line's key position is
    // unknown, its candidates before its end are tried in order.
    for (; i + kChunk <= text.size() && out < full; i += kChunk) {
        ChunkMasks chunk;
#if defined(TRAPWRIGHT_WIDE_VECTORS)
        if constexpr (sizeof(Unit) == 1) {
            chunk = wide_ && i > 0 ? WideChunkMasks(text.data() + i) : NarrowChunkMasks(text.data() + i, i == 0);
        } else {
            chunk = NarrowChunkMasks(text.data() + i, i == 0);
        }
#else
        chunk = NarrowChunkMasks(text.data() + i, i == 0);
#endif
        uint64_t lineFeeds = chunk.lineFeeds;
        uint64_t keys = chunk.keys;
        for (;;) {
            if (keyPosition == 0) {
                const uint64_t beforeLineFeed = lineFeeds != 0 ? (lineFeeds & (0 - lineFeeds)) - 1 : ~uint64_t{0};
                for (uint64_t candidates = keys & beforeLineFeed; candidates != 0; candidates &= candidates - 1) {
                    if (isKey(i + LowestBit(candidates))) break;
                }
            }
            if (lineFeeds == 0) break;
            const unsigned bit = LowestBit(lineFeeds);
            lineFeeds &= lineFeeds - 1;
            keys &= 0 - (uint64_t{2} << bit);  // what follows the LF (nothing after bit 63)
            lineFeed(i + bit);
        }
    }
#endif
    if (out < full) {
        for (; i < text.size(); ++i) {
            if (text[i] == '\n') {
                lineFeed(i);
            } else if (keyPosition == 0) {
                isKey(i);
            }
        }
    }
    if (i == text.size()) {
        endLine(text.size(), text.size());
        done_ = true;
    }
    pos_ = i;
    current_ = ClassifiedLine{start, start, keyPosition};
    lines.resize(static_cast<size_t>(out - lines.data()));
    return true;
}

template class LineClassifier<char16_t>;
template class LineClassifier<char>;


}  // namespace scan
