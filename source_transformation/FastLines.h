// The fast line source of the module scan: lines, their shapes and the
// header lines from the vector classifier, classified ahead on a second
// thread when asked. A line's shape bits (LineShape) answer "certainly not"
// for most lines; every other answer is the rule's, on the line's own
// units. In the byte form a line is decoded only for the values taken from it.
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
        while (i >= lines_.Count()) {
            if (!ClassifyMore()) return false;
        }
        return true;
    }
    size_t NextThatMatters(size_t i);
    size_t Start(size_t i) const { return i == 0 ? 0 : lines_.ends[i - 1] + breakSize_; }
    size_t End(size_t i) const { return lines_.ends[i]; }
    vb::TextView TextOf(size_t i, Text& storage) const;
    UnitView<Unit> UnitsOf(size_t i) const { return Line(i); }
    const Units<Unit>& Reading() const { return units_; }
    bool ContinuedOnto(size_t i) const { return Shaped(i, kContinuedOnto); }
    bool Continues(size_t i) const { return Shaped(i, kContinues); }
    bool Comment(size_t i) const { return Shaped(i, kInComment); }
    /// The header test's verdict, which the classifier took from the rule.
    int32_t HeaderKeyword(size_t i) const;
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
    UnitView<Unit> Line(size_t i) const { return text_.substr(Start(i), End(i) - Start(i)); }
    bool Shaped(size_t i, uint8_t shape) const { return (lines_.shapes[i] & shape) != 0; }
    bool ClassifyMore();
    void FindContinuations(size_t from);

    UnitView<Unit> text_;
    Units<Unit> units_;
    size_t breakSize_;
    LineClassifier<Unit> classifier_;
    std::unique_ptr<ClassifyAhead<Unit>> ahead_;  // set: the lines come from there instead
    ClassifiedLines lines_;
    mutable size_t headerAt_ = 0;    // the header HeaderKeyword found last
    bool pendingContinues_ = false;  // the last line continues onto the next, which is still to come
    bool pendingComment_ = false;    // and its mark stands in a comment
};

}  // namespace scan
