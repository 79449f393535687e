// The plain line source: every answer the rule's, on every line.
#include "source_transformation/PlainLines.h"

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/ScanRules.h"

namespace scan {

PlainLines::PlainLines(vb::TextView text, vb::TextView lineBreak) {
    if (text.empty()) return;
    for (size_t from = 0;;) {
        const size_t at = text.find(lineBreak, from);
        lines_.push_back(Line{text.substr(from, at == vb::TextView::npos ? vb::TextView::npos : at - from), from});
        if (at == vb::TextView::npos) break;
        from = at + lineBreak.size();
    }
    for (size_t i = 0; i < lines_.size(); ++i) {
        const rules::Continuation continuation = rules::ContinuationOf(lines_[i].text, lines_[i].comment, kTextUnits);
        lines_[i].continues = continuation.continues;
        if (i + 1 == lines_.size()) break;
        lines_[i + 1].continuedOnto = continuation.continues;
        lines_[i + 1].comment = continuation.comment;
    }
}

int32_t PlainLines::HeaderKeyword(size_t i) const { return rules::HeaderKeyword(lines_[i].text); }

bool PlainLines::IsEndLine(size_t i) const { return rules::IsEndLine(lines_[i].text); }

bool PlainLines::IsAttributeLine(size_t i) const { return rules::IsAttributeLine(lines_[i].text); }

bool PlainLines::IsOptOutComment(size_t i) const { return scan::IsOptOutComment(lines_[i].text); }

bool PlainLines::IsDirectiveLine(size_t i) const { return rules::IsDirectiveLine(lines_[i].text); }

bool PlainLines::LabelAt(size_t i, Text& label) const {
    label = rules::LabelOf(lines_[i].text);
    return !label.empty();
}

rules::ErrorUse PlainLines::ErrorUseAt(size_t i) const {
    return rules::FirstErrorUse(lines_[i].text, lines_[i].continuedOnto, kTextUnits);
}

void PlainLines::AppendSpans(std::vector<LineSpan>& spans) const {
    for (const Line& line : lines_) spans.push_back(LineSpan{line.start, line.start + line.text.size(), line.continuedOnto});
}

}  // namespace scan
