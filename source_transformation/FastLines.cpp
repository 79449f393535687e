// The fast line source: the classifier's lines, the shape bits' "certainly
// not", and the rules for the rest.
#include "source_transformation/FastLines.h"

#include <system_error>

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/ScanRules.h"

namespace scan {

namespace {

// A line of the walk's interest: one that may be a header, an End line or
// a label, that may use the error state, or that another continues onto.
bool Matters(const ClassifiedLine& line) {
    return line.header || line.continuedOnto || (line.shape & (kMayBeEndLine | kMayBeLabel | kMayUseError)) != 0;
}

// The lines of the thread's last module make room for the next one's, so
// that a run of many files does not map fresh memory for each.
std::vector<ClassifiedLine>& SpareLines() {
    thread_local std::vector<ClassifiedLine> spare;
    return spare;
}

}  // namespace

template <typename Unit>
FastLines<Unit>::FastLines(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units, bool classifyAhead)
    : text_(text), units_(units), classifier_(text, lineBreak, units) {
    lines_.swap(SpareLines());
    lines_.clear();
    lines_.reserve(text.size() / 32 + 1024);
    if (!classifyAhead) return;
    try {
        ahead_ = std::make_unique<ClassifyAhead<Unit>>(text, lineBreak, units);
    } catch (const std::system_error&) {
        // No thread to be had: the lines are classified here, as always.
    }
}

template <typename Unit>
FastLines<Unit>::~FastLines() {
    // A very large module's lines are not kept for the next one.
    constexpr size_t kKeep = size_t{1} << 16;
    if (lines_.capacity() <= kKeep) lines_.swap(SpareLines());
}

template <typename Unit>
size_t FastLines<Unit>::NextThatMatters(size_t i) {
    for (;;) {
        while (i < lines_.size() && !Matters(lines_[i])) ++i;
        if (i < lines_.size() || !ClassifyMore()) return i;
    }
}

template <typename Unit>
vb::TextView FastLines<Unit>::TextOf(size_t i, Text& storage) const {
    if constexpr (sizeof(Unit) == 2) {
        (void)storage;
        return Line(i);
    } else {
        storage.clear();
        units_.AppendTo(Line(i), storage);
        return storage;
    }
}

template <typename Unit>
bool FastLines<Unit>::IsEndLine(size_t i) const {
    return Shaped(i, kMayBeEndLine) && rules::IsEndLine(Line(i));
}

template <typename Unit>
bool FastLines<Unit>::IsAttributeLine(size_t i) const {
    return rules::IsAttributeLine(Line(i));
}

template <typename Unit>
bool FastLines<Unit>::IsOptOutComment(size_t i) const {
    return scan::IsOptOutComment(Line(i));
}

template <typename Unit>
bool FastLines<Unit>::IsDirectiveLine(size_t i) const {
    return rules::IsDirectiveLine(Line(i));
}

template <typename Unit>
bool FastLines<Unit>::LabelAt(size_t i, Text& label) const {
    if (!Shaped(i, kMayBeLabel)) return false;
    const UnitView<Unit> found = rules::LabelOf(Line(i), units_);
    if (found.empty()) return false;
    label.clear();
    units_.AppendTo(found, label);
    return true;
}

template <typename Unit>
rules::ErrorUse FastLines<Unit>::ErrorUseAt(size_t i) const {
    if (!Shaped(i, kMayUseError)) return {};
    return rules::FirstErrorUse(Line(i), ContinuedOnto(i), units_);
}

// Decided on the prefix's ASCII start (a unit of 128 or above is never an
// ASCII character), undecided (true) from its first other character on.
template <typename Unit>
bool FastLines<Unit>::MayStartWith(size_t i, vb::TextView prefix) const {
    const UnitView<Unit> line = Line(i);
    for (size_t k = 0; k < prefix.size(); ++k) {
        if (prefix[k] >= 0x80) return true;
        if (k == line.size()) return false;
        if (FoldUnit(UnitAsChar(line[k])) != FoldUnit(prefix[k])) return false;
    }
    return true;
}

template <typename Unit>
bool FastLines<Unit>::MayHaveLineNumber(size_t i) const {
    const UnitView<Unit> line = Line(i);
    return !line.empty() && IsDigitUnit(line[0]);
}

template <typename Unit>
void FastLines<Unit>::AppendSpans(std::vector<LineSpan>& spans) {
    while (ClassifyMore()) {
    }
    spans.reserve(spans.size() + lines_.size());
    for (const ClassifiedLine& line : lines_) spans.push_back(LineSpan{line.start, line.end, line.continuedOnto});
}

template <typename Unit>
bool FastLines<Unit>::ClassifyMore() {
    const size_t first = lines_.size();
    if (!(ahead_ ? ahead_->AppendBatch(lines_) : classifier_.AppendBatch(lines_))) return false;
    for (size_t i = first; i < lines_.size(); ++i) FindContinuation(i);
    return true;
}

// Whether line i continues onto the next, which the rule tells once the
// line ends in a blank and "_".
template <typename Unit>
void FastLines<Unit>::FindContinuation(size_t i) {
    ClassifiedLine& line = lines_[i];
    if (i > 0) {
        line.continuedOnto = lines_[i - 1].continues;
        line.comment = pendingComment_;
    }
    pendingComment_ = false;
    if ((line.shape & kMayContinue) == 0) return;
    const rules::Continuation continuation = rules::ContinuationOf(Line(i), line.comment, units_);
    line.continues = continuation.continues;
    pendingComment_ = continuation.comment;
}

template class FastLines<char16_t>;
template class FastLines<char>;

}  // namespace scan
