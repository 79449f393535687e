// The plain line source of the module scan: the text split at its line
// break, each line's continuation found by the rule, and every question
// answered by calling the rule on the line, so that the walk applies every
// rule to every line.
#pragma once

#include <vector>

#include "source_transformation/ErrorStateRules.h"
#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

class PlainLines {
public:
    using Unit = char16_t;

    /// `text` must outlive this object.
    PlainLines(vb::TextView text, vb::TextView lineBreak);

    bool Has(size_t i) const { return i < lines_.size(); }
    static size_t NextThatMatters(size_t i) { return i; }
    size_t Start(size_t i) const { return lines_[i].start; }
    size_t End(size_t i) const { return lines_[i].start + lines_[i].text.size(); }
    vb::TextView TextOf(size_t i, Text&) const { return lines_[i].text; }
    vb::TextView UnitsOf(size_t i) const { return lines_[i].text; }
    static const Units<char16_t>& Reading() { return kTextUnits; }
    bool ContinuedOnto(size_t i) const { return lines_[i].continuedOnto; }
    bool Continues(size_t i) const { return lines_[i].continues; }
    bool Comment(size_t i) const { return lines_[i].comment; }
    int32_t HeaderKeyword(size_t i) const;
    bool IsEndLine(size_t i) const;
    bool IsAttributeLine(size_t i) const;
    bool IsOptOutComment(size_t i) const;
    bool IsDirectiveLine(size_t i) const;
    bool LabelAt(size_t i, Text& label) const;
    rules::ErrorUse ErrorUseAt(size_t i) const;
    static bool MayStartWith(size_t, vb::TextView) { return true; }
    static bool MayHaveLineNumber(size_t) { return true; }

    void AppendSpans(std::vector<LineSpan>& spans) const;

private:
    struct Line {
        vb::TextView text;
        size_t start = 0;
        bool continues = false;
        bool continuedOnto = false;
        bool comment = false;
    };
    std::vector<Line> lines_;
};

}  // namespace scan
