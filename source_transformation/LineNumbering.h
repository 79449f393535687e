// Line numbers for Erl: which lines of a procedure begin a statement and
// take a number, and the edits that put numbers in front of them or take
// them off again. The procedures, their Attribute lines, End lines and the
// blocks that stand in them come from the module scan. Both work on the
// text in either of the scan's forms: decoded, or the file's own bytes in a
// code page that keeps ASCII bytes (see SourceUnits.h).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "source_transformation/Edits.h"
#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

/// The largest line number VB6 accepts.
inline constexpr int64_t kLargestLineNumber = 65529;

/// Whether a line inside a procedure that no other line continues onto and
/// that stands in no block begins a statement that takes a number: not an
/// empty or blank line, a comment, a line that begins with a label or a
/// number, a directive, a declaration (Dim, Static, Const), nor one that
/// begins with Case, Else, ElseIf, End and a word, Loop, Next or Wend.
bool TakesLineNumber(vb::TextView line);

/// The length of the line number at the start of a line with the one space
/// or tab after it (digits in its first column, then a blank or the end);
/// 0 for a line without one.
size_t LineNumberLength(vb::TextView line);

struct NumberingOptions {
    int64_t start = 10;
    int64_t step = 10;
    bool perModule = false;  ///< one sequence through the module instead of one per procedure
};

/// A number given to a line: for the map from Erl to the source.
struct NumberedLine {
    size_t header = 0;  ///< index into ModuleScan::headers: the procedure
    int64_t number = 0;
    size_t line = 0;    ///< 0-based, in the text as it was
};

/// Why a procedure keeps its lines as they are.
enum class NumberingRefusal {
    HasLineNumbers,    ///< number: a line of it has a number already
    LongLine,          ///< number: a numbered line would be longer than VB6 accepts
    OtherLineNumbers,  ///< unnumber: its numbers are not those number gives it
};

struct NumberingRefused {
    size_t header = 0;  ///< index into ModuleScan::headers
    NumberingRefusal why = NumberingRefusal::HasLineNumbers;
};

struct NumberingPlan {
    Edits edits;                                ///< in text order: numbers in (LineNumber), or out (Nothing)
    std::vector<NumberedLine> numbered;         ///< in text order, when the lines are recorded
    std::vector<NumberingRefused> refused;  ///< in text order
};

/// The numbers for the statement lines of every procedure of `scan` (a
/// Locate scan of the text that kept its lines) that is not excluded, has no number yet
/// and whose numbered lines stay within what VB6 accepts. Throws VbError 5,
/// tied to the line, when a number would exceed kLargestLineNumber. Each
/// number's line goes into `numbered` when `recordLines`.
NumberingPlan PlanLineNumbers(vb::TextView text, const ModuleScan& scan, const NumberingOptions& options,
                              bool recordLines = true);
/// The same over the bytes the scan read, in `codePage`.
NumberingPlan PlanLineNumbers(std::string_view bytes, int32_t codePage, const ModuleScan& scan,
                              const NumberingOptions& options, bool recordLines = true);

/// The edits that take off the numbers that PlanLineNumbers with `options`
/// gives, and the space after each: from every procedure whose numbers
/// are exactly those. A procedure numbered otherwise (by hand, or with
/// other options) keeps its numbers, which code may jump to, and is named.
NumberingPlan PlanLineNumberRemoval(vb::TextView text, const ModuleScan& scan, const NumberingOptions& options,
                              bool recordLines = true);
/// The same over the bytes the scan read, in `codePage`.
NumberingPlan PlanLineNumberRemoval(std::string_view bytes, int32_t codePage, const ModuleScan& scan,
                                    const NumberingOptions& options, bool recordLines = true);

}  // namespace scan
