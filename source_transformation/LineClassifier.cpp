// One pass over a module's text for its lines and their key positions.
#include "source_transformation/LineClassifier.h"

#include "source_transformation/HeaderRecognition.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scan {

namespace {

constexpr size_t kBatch = 512;

#if defined(__SSE2__)
// Vector compares over the units of one 16-byte block: eight UTF-16 units
// with two mask bits each, or sixteen bytes with one.
template <typename Unit>
struct Block;

template <>
struct Block<char16_t> {
    static constexpr size_t kUnits = 8;
    static constexpr unsigned kBitsPerUnit = 2;
    static __m128i Equal(__m128i units, char16_t c) { return _mm_cmpeq_epi16(units, _mm_set1_epi16(static_cast<short>(c))); }
    static __m128i Fold(__m128i units) { return _mm_or_si128(units, _mm_set1_epi16(0x20)); }
    static __m128i WithZeroBefore(__m128i units) { return _mm_slli_si128(units, 2); }
};

template <>
struct Block<char> {
    static constexpr size_t kUnits = 16;
    static constexpr unsigned kBitsPerUnit = 1;
    static __m128i Equal(__m128i units, char c) { return _mm_cmpeq_epi8(units, _mm_set1_epi8(c)); }
    static __m128i Fold(__m128i units) { return _mm_or_si128(units, _mm_set1_epi8(0x20)); }
    static __m128i WithZeroBefore(__m128i units) { return _mm_slli_si128(units, 1); }
};

unsigned Mask(__m128i compared) {
    return static_cast<unsigned>(_mm_movemask_epi8(compared));
}

// Mask bits of the LFs of a block.
template <typename Unit>
unsigned LineFeeds(__m128i units) {
    return Mask(Block<Unit>::Equal(units, '\n'));
}

// Mask bits of the quotes, apostrophes and spaces after a letter that ends
// a keyword (b, n, d or y) of a block; `before` holds the unit before each.
template <typename Unit>
unsigned KeyCandidates(__m128i units, __m128i before) {
    using B = Block<Unit>;
    const __m128i folded = B::Fold(before);
    const __m128i afterKeywordLetter = _mm_or_si128(_mm_or_si128(B::Equal(folded, 'b'), B::Equal(folded, 'n')),
                                                    _mm_or_si128(B::Equal(folded, 'd'), B::Equal(folded, 'y')));
    return Mask(_mm_or_si128(_mm_or_si128(B::Equal(units, '"'), B::Equal(units, '\'')),
                                   _mm_and_si128(B::Equal(units, ' '), afterKeywordLetter)));
}
#endif

}  // namespace

template <typename Unit>
LineClassifier<Unit>::LineClassifier(UnitView<Unit> text, vb::TextView lineBreak)
    : text_(text), crLf_(lineBreak.size() == 2), done_(text.empty()) {}

template <typename Unit>
bool LineClassifier<Unit>::AppendBatch(std::vector<ClassifiedLine>& lines) {
    if (done_) return false;
    const UnitView<Unit> text = text_;
    const bool crLf = crLf_;
    // The line being classified, kept in locals while the batch is made.
    size_t start = current_.start;
    int32_t P = current_.P;
    const size_t first = lines.size();
    lines.resize(first + kBatch + 16);  // a block ends sixteen lines at most
    ClassifiedLine* out = lines.data() + first;
    ClassifiedLine* const full = out + kBatch;

    auto endLine = [&](size_t end, size_t next) {
        *out++ = ClassifiedLine{start, end, P};
        start = next;
        P = 0;
    };
    // The unit at `at` is an LF, or a candidate for the key position.
    auto visit = [&](size_t at) {
        const Unit c = text[at];
        if (c == '\n') {
            // In a CR LF text a lone LF is part of its line.
            if (!crLf) {
                endLine(at, at + 1);
            } else if (at > 0 && text[at - 1] == '\r') {
                endLine(at - 1, at + 1);
            }
        } else if (P == 0) {
            if (c == '"' || c == '\'') {
                P = static_cast<int32_t>(at - start + 1);
            } else if (c == ' ') {
                const size_t keyword = KeywordEndingAt(text.substr(start), at - start);
                if (keyword != UnitView<Unit>::npos) P = static_cast<int32_t>(keyword + 1);
            }
        }
    };

    size_t i = pos_;
#if defined(__SSE2__)
    // A block at a time, its units visited in mask order. A line whose key
    // position is known needs only its end, so the other candidates are
    // looked at only while P is 0.
    using B = Block<Unit>;
    for (; i + B::kUnits <= text.size() && out < full; i += B::kUnits) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const unsigned lf = LineFeeds<Unit>(units);
        if (P != 0 && lf == 0) continue;
        const __m128i before = i > 0 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i - 1))
                                     : B::WithZeroBefore(units);
        const unsigned key = KeyCandidates<Unit>(units, before);
        unsigned done = 0;  // mask bits of the units already visited
        for (;;) {
            const unsigned pending = (lf | (P == 0 ? key : 0u)) & ~done;
            if (pending == 0) break;
            const auto bit = static_cast<unsigned>(__builtin_ctz(pending));
            done |= (1u << (bit + B::kBitsPerUnit)) - 1;  // 16 mask bits: never shifted out
            visit(i + bit / B::kBitsPerUnit);
        }
    }
#endif
    if (out < full) {
        for (; i < text.size(); ++i) visit(i);
    }
    if (i == text.size()) {
        endLine(text.size(), text.size());
        done_ = true;
    }
    pos_ = i;
    current_ = ClassifiedLine{start, start, P};
    lines.resize(static_cast<size_t>(out - lines.data()));
    return true;
}

template class LineClassifier<char16_t>;
template class LineClassifier<char>;

}  // namespace scan
