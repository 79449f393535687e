// Line numbers for Erl: which lines of a procedure begin a statement and
// take a number, and the edits that put numbers in front of them or take
// them off again. The procedures, their Attribute lines, End lines and the
// blocks that stand in them come from the module scan.
#pragma once

#include <cstdint>
#include <vector>

#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

/// The largest line number VB6 accepts.
inline constexpr int64_t kLargestLineNumber = 65529;

/// Whether a line inside a procedure that no other line continues onto and
/// that stands in no block begins a statement that takes a number: not an
/// empty or blank line, a comment, a label or a line with a number, a
/// directive, a declaration (Dim, Static, Const), nor one that begins with
/// Case, Else, ElseIf, End and a word, Loop, Next or Wend.
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

/// An edit of the text: [offset, offset + removed) becomes the number and
/// a space, or nothing for number 0.
struct NumberEdit {
    size_t offset = 0;
    size_t removed = 0;
    int64_t number = 0;
};

struct NumberingPlan {
    std::vector<NumberEdit> edits;              ///< in text order
    std::vector<NumberedLine> numbered;         ///< in text order
    std::vector<size_t> alreadyNumbered;        ///< headers of procedures left as they are
};

/// The numbers for the statement lines of every procedure of `scan` (a
/// Recognize scan of `text`) that is not left alone and has no number yet.
/// Throws VbError 5, tied to the header's line, when a number would exceed
/// kLargestLineNumber.
NumberingPlan PlanLineNumbers(vb::TextView text, const ModuleScan& scan, const NumberingOptions& options);

/// The edits that take the line numbers (and the blank after each) off the
/// lines of every procedure of `scan` that is not left alone.
NumberingPlan PlanLineNumberRemoval(vb::TextView text, const ModuleScan& scan);

}  // namespace scan
