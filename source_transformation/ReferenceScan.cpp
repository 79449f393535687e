// The plain line source: the text split at its line break, each line's
// continuation found by the rule, and every pre-test answered "maybe", so
// that the walk applies every rule to every line.
#include "source_transformation/ReferenceScan.h"

#include <vector>

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/ProcedureWalk.h"
#include "source_transformation/ScanRules.h"
#include "vb_runtime/LineBreak.h"

using vb::TextView;

namespace scan {

namespace {

class PlainLines {
public:
    PlainLines(TextView text, TextView lineBreak) {
        if (text.empty()) return;
        for (size_t from = 0;;) {
            const size_t at = text.find(lineBreak, from);
            lines_.push_back(Line{text.substr(from, at == TextView::npos ? TextView::npos : at - from), from});
            if (at == TextView::npos) break;
            from = at + lineBreak.size();
        }
        for (size_t i = 0; i + 1 < lines_.size(); ++i) {
            const rules::Continuation continuation = rules::ContinuationOf(lines_[i].text, lines_[i].comment);
            lines_[i].continues = continuation.continues;
            lines_[i + 1].continuedOnto = continuation.continues;
            lines_[i + 1].comment = continuation.comment;
        }
        if (!lines_.empty()) lines_.back().continues = rules::ContinuationOf(lines_.back().text, lines_.back().comment).continues;
    }

    bool Has(size_t i) const { return i < lines_.size(); }
    static size_t NextThatMatters(size_t i) { return i; }
    size_t Start(size_t i) const { return lines_[i].start; }
    size_t End(size_t i) const { return lines_[i].start + lines_[i].text.size(); }
    TextView TextOf(size_t i, Text&) const { return lines_[i].text; }
    bool ContinuedOnto(size_t i) const { return lines_[i].continuedOnto; }
    bool Continues(size_t i) const { return lines_[i].continues; }
    bool Comment(size_t i) const { return lines_[i].comment; }
    static int32_t HeaderKeyword(size_t, TextView text) { return rules::HeaderKeyword(text); }
    static bool MayBeHeader(size_t) { return true; }
    bool IsEndLine(size_t i) const { return rules::IsEndLine(lines_[i].text); }
    bool IsAttributeLine(size_t i) const { return rules::IsAttributeLine(lines_[i].text); }
    bool IsOptOutComment(size_t i) const { return scan::IsOptOutComment<char16_t>(lines_[i].text); }
    bool LabelAt(size_t i, Text& label) const {
        label = rules::LabelOf(lines_[i].text);
        return !label.empty();
    }
    static bool MayStartWith(size_t, TextView) { return true; }
    static bool MayHaveLineNumber(size_t) { return true; }
    void AppendSpans(std::vector<LineSpan>& spans) const {
        for (const Line& line : lines_) spans.push_back(LineSpan{line.start, line.start + line.text.size(), line.continuedOnto});
    }

private:
    struct Line {
        TextView text;
        size_t start = 0;
        bool continues = false;
        bool continuedOnto = false;
        bool comment = false;
    };
    std::vector<Line> lines_;
};

}  // namespace

ModuleScan ReferenceScan(TextView text, const TemplateChoice& templates, const ScanOptions& options) {
    const TextView lineBreak = options.lineBreak.empty() ? vb::DetectLineBreak(text) : options.lineBreak;
    DeclaredNames own;
    if (options.declared == nullptr) AddDeclarationsOf(text, own);
    PlainLines lines(text, lineBreak);
    ModuleScan result = ProcedureWalk<PlainLines, false>(lines, lineBreak, templates, options,
                                                         options.declared != nullptr ? *options.declared : own)
                            .Run();
    if (options.keepLines) lines.AppendSpans(result.lines);
    return result;
}

}  // namespace scan
