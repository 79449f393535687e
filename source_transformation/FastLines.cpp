// The fast line source: the classifier's lines, the shape bits' "certainly
// not", and the rules for the rest.
#include "source_transformation/FastLines.h"

#include <system_error>
#include <utility>

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/ScanRules.h"

namespace scan {

namespace {

// The shape bits of a line of the walk's interest: one that may be a
// header, an End line or a label, that may use the error state, or that
// another continues onto.
constexpr uint8_t kMatters = kIsHeader | kContinuedOnto | kMayBeEndLine | kMayBeLabel | kMayUseError;

// The lines of the thread's last module make room for the next one's, so
// that a run of many files does not map fresh memory for each.
ClassifiedLines& SpareLines() {
    thread_local ClassifiedLines spare;
    return spare;
}

}  // namespace

template <typename Unit>
FastLines<Unit>::FastLines(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units, bool classifyAhead)
    : text_(text), units_(units), breakSize_(lineBreak.size()), classifier_(text, lineBreak, units) {
    std::swap(lines_, SpareLines());
    lines_.Clear();
    lines_.ends.reserve(text.size() / 24 + 1024);
    lines_.shapes.reserve(text.size() / 24 + 1024);
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
    constexpr size_t kKeep = size_t{1} << 17;
    if (lines_.ends.capacity() <= kKeep) std::swap(lines_, SpareLines());
}

template <typename Unit>
size_t FastLines<Unit>::NextThatMatters(size_t i) {
    for (;;) {
        const uint8_t* const shapes = lines_.shapes.data();
        const size_t count = lines_.Count();
        while (i < count && (shapes[i] & kMatters) == 0) ++i;
        if (i < count || !ClassifyMore()) return i;
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
int32_t FastLines<Unit>::HeaderKeyword(size_t i) const {
    if (!Shaped(i, kIsHeader)) return 0;
    // The walk asks in line order, mostly: the search starts at the last header found.
    const std::vector<HeaderLine>& headers = lines_.headers;
    if (headerAt_ >= headers.size() || headers[headerAt_].line > i) headerAt_ = 0;
    while (headers[headerAt_].line < i) ++headerAt_;
    return headers[headerAt_].keyPosition;
}

template <typename Unit>
bool FastLines<Unit>::IsEndLine(size_t i) const {
    return Shaped(i, kMayBeEndLine) && rules::IsEndLine(Line(i));
}

template <typename Unit>
bool FastLines<Unit>::IsAttributeLine(size_t i) const {
    // "Attribute" in the first column: a letter there.
    return Shaped(i, kMayBeLabel) && rules::IsAttributeLine(Line(i));
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
    spans.reserve(spans.size() + lines_.Count());
    for (size_t i = 0; i < lines_.Count(); ++i) spans.push_back(LineSpan{Start(i), End(i), ContinuedOnto(i)});
}

template <typename Unit>
bool FastLines<Unit>::ClassifyMore() {
    const size_t first = lines_.Count();
    if (!(ahead_ ? ahead_->AppendBatch(lines_) : classifier_.AppendBatch(lines_))) return false;
    FindContinuations(first);
    return true;
}

// Which of the new lines from `from` on continue onto the next, which the
// rule tells once a line holds a blank and "_", in order: whether a comment
// continues onto a line decides how the line goes on.
template <typename Unit>
void FastLines<Unit>::FindContinuations(size_t from) {
    uint8_t* const shapes = lines_.shapes.data();
    const size_t count = lines_.Count();
    if (from < count && pendingContinues_) {
        shapes[from] |= static_cast<uint8_t>(kContinuedOnto | (pendingComment_ ? kInComment : 0));
    }
    pendingContinues_ = false;
    for (size_t i = from; i < count; ++i) {
        if ((shapes[i] & kMayContinue) == 0) continue;
        const rules::Continuation continuation =
            rules::ContinuationOf(Line(i), (shapes[i] & kInComment) != 0, units_);
        if (!continuation.continues) continue;
        shapes[i] |= kContinues;
        const auto onto = static_cast<uint8_t>(kContinuedOnto | (continuation.comment ? kInComment : 0));
        if (i + 1 < count) {
            shapes[i + 1] |= onto;
        } else {
            pendingContinues_ = true;
            pendingComment_ = continuation.comment;
        }
    }
}

template class FastLines<char16_t>;
template class FastLines<char>;

}  // namespace scan
