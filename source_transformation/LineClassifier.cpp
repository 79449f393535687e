// One pass over a module's text for its lines and their key positions.
#include "source_transformation/LineClassifier.h"

#include "source_transformation/HeaderRecognition.h"
#include "vb_runtime/Strings.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scan {

namespace {

constexpr size_t kBatch = 512;

#if defined(__SSE2__)
// Mask bits (two per unit) of the LFs among eight units.
unsigned LineFeeds(__m128i units) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'\n'))));
}

// Mask bits of the quotes, apostrophes and spaces after a letter that ends
// a keyword (b, n, d or y) among eight units; `before` holds the unit
// before each.
unsigned KeyCandidates(__m128i units, __m128i before) {
    const __m128i folded = _mm_or_si128(before, _mm_set1_epi16(0x20));
    const __m128i afterKeywordLetter = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi16(folded, _mm_set1_epi16(u'b')), _mm_cmpeq_epi16(folded, _mm_set1_epi16(u'n'))),
        _mm_or_si128(_mm_cmpeq_epi16(folded, _mm_set1_epi16(u'd')), _mm_cmpeq_epi16(folded, _mm_set1_epi16(u'y'))));
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'"')),
                                  _mm_cmpeq_epi16(units, _mm_set1_epi16(u'\''))),
                     _mm_and_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u' ')), afterKeywordLetter))));
}
#endif

}  // namespace

LineClassifier::LineClassifier(vb::TextView text, vb::TextView lineBreak)
    : text_(text), crLf_(lineBreak.size() == 2), done_(text.empty()) {}

bool LineClassifier::AppendBatch(std::vector<ClassifiedLine>& lines) {
    if (done_) return false;
    const vb::TextView text = text_;
    const bool crLf = crLf_;
    // The line being classified, kept in locals while the batch is made.
    size_t start = current_.start;
    int32_t P = current_.P;
    const size_t first = lines.size();
    lines.resize(first + kBatch + 8);  // a block of eight units ends eight lines at most
    ClassifiedLine* out = lines.data() + first;
    ClassifiedLine* const full = out + kBatch;

    auto endLine = [&](size_t end, size_t next) {
        *out++ = ClassifiedLine{start, end, P};
        start = next;
        P = 0;
    };
    // The unit at `at` is an LF, or a candidate for the key position.
    auto visit = [&](size_t at) {
        const char16_t c = text[at];
        if (c == u'\n') {
            // In a CR LF text a lone LF is part of its line.
            if (!crLf) {
                endLine(at, at + 1);
            } else if (at > 0 && text[at - 1] == u'\r') {
                endLine(at - 1, at + 1);
            }
        } else if (P == 0) {
            if (c == u'"' || c == u'\'') {
                P = static_cast<int32_t>(at - start + 1);
            } else if (c == u' ') {
                const size_t keyword = KeywordEndingAt(text.substr(start), at - start);
                if (keyword != vb::TextView::npos) P = static_cast<int32_t>(keyword + 1);
            }
        }
    };

    size_t i = pos_;
#if defined(__SSE2__)
    // Eight units at a time, visited in mask order. A line whose key
    // position is known needs only its end, so the other candidates are
    // looked at only while P is 0.
    for (; i + 8 <= text.size() && out < full; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const unsigned lf = LineFeeds(units);
        if (P != 0 && lf == 0) continue;
        const __m128i before = i > 0 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i - 1))
                                     : _mm_slli_si128(units, 2);
        const unsigned key = KeyCandidates(units, before);
        unsigned done = 0;  // mask bits of the units already visited
        for (;;) {
            const unsigned pending = (lf | (P == 0 ? key : 0u)) & ~done;
            if (pending == 0) break;
            const auto bit = static_cast<unsigned>(__builtin_ctz(pending));
            done |= bit >= 30 ? ~0u : (4u << bit) - 1;
            visit(i + bit / 2);
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

}  // namespace scan
