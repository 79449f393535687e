// What the walk over a module's procedures asks of the lines it walks. A
// line source answers each question by the rule of ScanRules.h or
// ErrorStateRules.h: the plain source (PlainLines) calls the rule on every
// line; the fast one (FastLines) answers "certainly not" where a line's
// shape tells, and calls the rule otherwise. So whatever the source, the
// walk gives the same scan.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>

#include "source_transformation/ErrorStateRules.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

template <class Lines>
concept LineSource = requires(Lines& lines, size_t i, Text& storage, vb::TextView prefix) {
    /// Line i exists (a source may find its lines as it goes).
    { lines.Has(i) } -> std::same_as<bool>;
    /// i, or a later line when the lines between are no header, End line,
    /// label or line that uses the error state, nor continued onto.
    { lines.NextThatMatters(i) } -> std::same_as<size_t>;
    /// The line's extent in the text, its line break aside.
    { lines.Start(i) } -> std::same_as<size_t>;
    { lines.End(i) } -> std::same_as<size_t>;
    /// The line as text; it may be decoded into `storage`.
    { lines.TextOf(i, storage) } -> std::same_as<vb::TextView>;
    /// The line's own units, and how they read.
    { lines.UnitsOf(i) } -> std::same_as<UnitView<typename Lines::Unit>>;
    { lines.Reading() } -> std::same_as<const Units<typename Lines::Unit>&>;
    /// The line before continues onto it; it continues onto the next; a
    /// comment continues onto it.
    { lines.ContinuedOnto(i) } -> std::same_as<bool>;
    { lines.Continues(i) } -> std::same_as<bool>;
    { lines.Comment(i) } -> std::same_as<bool>;
    /// rules::HeaderKeyword of the line.
    { lines.HeaderKeyword(i) } -> std::same_as<int32_t>;
    { lines.IsEndLine(i) } -> std::same_as<bool>;
    { lines.IsAttributeLine(i) } -> std::same_as<bool>;
    { lines.IsOptOutComment(i) } -> std::same_as<bool>;
    { lines.IsDirectiveLine(i) } -> std::same_as<bool>;
    /// The label the line defines (rules::LabelOf), into `storage`.
    { lines.LabelAt(i, storage) } -> std::same_as<bool>;
    /// rules::FirstErrorUse of the line's code.
    { lines.ErrorUseAt(i) } -> std::same_as<rules::ErrorUse>;
    /// False only where the line certainly does not start with `prefix`,
    /// letter case ignored, nor with a line number.
    { lines.MayStartWith(i, prefix) } -> std::same_as<bool>;
    { lines.MayHaveLineNumber(i) } -> std::same_as<bool>;
};

}  // namespace scan
