// The fast line source of the module scan: lines and key positions from
// the vector classifier, classified ahead on a second thread when asked.
// A line's shape bits (LineShape) answer "certainly not" for most lines;
// every other answer is the rule's, on the line's own units. In the byte
// form a line is decoded only for the values taken from it.
#pragma once

#include <memory>
#include <vector>

#include "source_transformation/ClassifyAhead.h"
#include "source_transformation/ErrorStateRules.h"
#include "source_transformation/LineClassifier.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

template <typename UnitType>
class FastLines {
public:
    using Unit = UnitType;

    /// `text` must outlive this object.
    FastLines(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units, bool classifyAhead);
    ~FastLines();
    FastLines(const FastLines&) = delete;
    FastLines& operator=(const FastLines&) = delete;

    bool Has(size_t i) {
        while (i >= lines_.size()) {
            if (!ClassifyMore()) return false;
        }
        return true;
    }
    size_t NextThatMatters(size_t i);
    size_t Start(size_t i) const { return lines_[i].start; }
    size_t End(size_t i) const { return lines_[i].end; }
    vb::TextView TextOf(size_t i, Text& storage) const;
    UnitView<Unit> UnitsOf(size_t i) const { return Line(i); }
    const Units<Unit>& Reading() const { return units_; }
    bool ContinuedOnto(size_t i) const { return lines_[i].continuedOnto; }
    bool Continues(size_t i) const { return lines_[i].continues; }
    bool Comment(size_t i) const { return lines_[i].comment; }
    /// The header test's verdict, which the classifier took from the rule.
    int32_t HeaderKeyword(size_t i) const { return lines_[i].header ? lines_[i].keyPosition : 0; }
    bool IsEndLine(size_t i) const;
    bool IsAttributeLine(size_t i) const;
    bool IsOptOutComment(size_t i) const;
    bool IsDirectiveLine(size_t i) const;
    bool LabelAt(size_t i, Text& label) const;
    rules::ErrorUse ErrorUseAt(size_t i) const;
    bool MayStartWith(size_t i, vb::TextView prefix) const;
    bool MayHaveLineNumber(size_t i) const;

    /// Every line's extent, appended to `spans`.
    void AppendSpans(std::vector<LineSpan>& spans);

private:
    UnitView<Unit> Line(size_t i) const { return text_.substr(lines_[i].start, lines_[i].end - lines_[i].start); }
    bool Shaped(size_t i, uint8_t shape) const { return (lines_[i].shape & shape) != 0; }
    bool ClassifyMore();
    void FindContinuation(size_t i);

    UnitView<Unit> text_;
    Units<Unit> units_;
    LineClassifier<Unit> classifier_;
    std::unique_ptr<ClassifyAhead<Unit>> ahead_;  // set: the lines come from there instead
    std::vector<ClassifiedLine> lines_;
    bool pendingComment_ = false;  // the last line's mark stands in a comment
};

}  // namespace scan
