// Line-local recognition of procedure headers: the keyword a space ends
// (LineClassifier finds each line's key position with it), the header test
// with its three exclusion tests, and the parsing of a
// header into kind, name and parameter list. Recognition is textual and
// works on physical lines: a header continued with " _" is recognised on its
// first line only.
#pragma once

#include <cstdint>
#include <optional>

#include "source_transformation/ProcedureHeader.h"
#include "vb_runtime/Text.h"

namespace scan {

/// The header test for a line whose key position P is above 0. For P > 1 the
/// exclusion tests always run, in order: "end" before P sets the
/// end-of-procedure flag, "exit" or "declare" before P clears it; any of them
/// makes the line no header. The substrings are not word-bounded on purpose,
/// so "Legend" before the keyword counts as "end".
bool IsHeaderCandidate(vb::TextView line, int32_t P, bool& endOfProcedure);

/// The 0-based start of the procedure keyword (without its space) that the
/// space at `space` ends, or npos.
size_t KeywordEndingAt(vb::TextView line, size_t space);

/// Kind, name and parameter list of a header candidate (its `line` field is
/// left 0). A candidate without "(" after its keyword, such as the comment
/// line "Rem this sub is slow", is not a header: no value.
std::optional<ProcedureHeader> ParseHeader(vb::TextView line, int32_t P);

/// True for a comment line "' trapwright: skip", letter case and the spaces
/// (or tabs) around its words ignored: the header below it is left alone.
bool IsOptOutComment(vb::TextView line);

}  // namespace scan
