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
}

LineClassifier::LineClassifier(vb::TextView text, vb::TextView lineBreak)
    : text_(text), crLf_(lineBreak.size() == 2), done_(text.empty()) {
    batch_.reserve(kBatch + 8);
}

bool LineClassifier::Next(ClassifiedLine& line) {
    if (served_ == batch_.size()) {
        if (done_) return false;
        FillBatch();
        if (batch_.empty()) return false;
    }
    line = batch_[served_++];
    return true;
}

void LineClassifier::EndLine(size_t end, size_t next) {
    current_.end = end;
    batch_.push_back(current_);
    current_ = ClassifiedLine{next, next, 0};
}

int32_t LineClassifier::KeyAt(size_t at) const {
    const size_t start = current_.start;
    const char16_t c = text_[at];
    if (c == u'"' || c == u'\'') return static_cast<int32_t>(at - start + 1);
    const size_t keyword = KeywordEndingAt(text_.substr(start), at - start);
    return keyword == vb::TextView::npos ? 0 : static_cast<int32_t>(keyword + 1);
}

void LineClassifier::Visit(size_t at) {
    if (text_[at] == u'\n') {
        // In a CR LF text a lone LF is part of its line.
        if (!crLf_) {
            EndLine(at, at + 1);
        } else if (at > 0 && text_[at - 1] == u'\r') {
            EndLine(at - 1, at + 1);
        }
    } else if (current_.P == 0) {
        current_.P = KeyAt(at);
    }
}

void LineClassifier::FillBatch() {
    batch_.clear();
    served_ = 0;
    size_t i = pos_;
#if defined(__SSE2__)
    // Eight units at a time: the LFs, quotes and apostrophes, and the spaces
    // after a letter that ends a keyword (b, n, d or y). Two mask bits per
    // unit; the units are visited in order.
    const __m128i caseBit = _mm_set1_epi16(0x20);
    for (; i + 8 <= text_.size() && batch_.size() < kBatch; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + i));
        const __m128i before = i > 0 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + i - 1))
                                     : _mm_slli_si128(units, 2);
        const __m128i folded = _mm_or_si128(before, caseBit);
        const __m128i afterKeywordLetter = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(folded, _mm_set1_epi16(u'b')), _mm_cmpeq_epi16(folded, _mm_set1_epi16(u'n'))),
            _mm_or_si128(_mm_cmpeq_epi16(folded, _mm_set1_epi16(u'd')), _mm_cmpeq_epi16(folded, _mm_set1_epi16(u'y'))));
        const __m128i found = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'\n')), _mm_cmpeq_epi16(units, _mm_set1_epi16(u'"'))),
            _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'\'')),
                         _mm_and_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u' ')), afterKeywordLetter)));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found)); mask != 0; mask &= mask - 1, mask &= mask - 1) {
            Visit(i + static_cast<size_t>(__builtin_ctz(mask)) / 2);
        }
    }
#endif
    if (batch_.size() < kBatch) {
        for (; i < text_.size(); ++i) {
            const char16_t c = text_[i];
            if (c == u'\n' || c == u'"' || c == u'\'' || c == u' ') Visit(i);
        }
    }
    pos_ = i;
    if (pos_ == text_.size()) {
        EndLine(text_.size(), text_.size());
        done_ = true;
    }
}

}  // namespace scan
