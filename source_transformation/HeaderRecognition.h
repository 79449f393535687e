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
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

// Each function works on UTF-16 text and on the bytes of an ASCII-keeping
// single-byte code page (Unit char16_t or char).

/// The header test for a line whose key position P is above 0. For P > 1 the
/// exclusion tests always run, in order: "end" before P sets the
/// end-of-procedure flag, "exit" or "declare" before P clears it; any of them
/// makes the line no header. The substrings are not word-bounded on purpose,
/// so "Legend" before the keyword counts as "end".
template <typename Unit>
bool IsHeaderCandidate(UnitView<Unit> line, int32_t P, bool& endOfProcedure);

/// The 0-based start of the procedure keyword (without its space) that the
/// space at `space` ends, or npos.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space);

/// Kind, name and parameter list of a header candidate (its `line` field is
/// left 0), decoded with `decode`. A candidate without "(" after its
/// keyword, such as the comment line "Rem this sub is slow", is not a
/// header: no value.
template <typename Unit>
std::optional<ProcedureHeader> ParseHeader(UnitView<Unit> line, int32_t P, const UnitDecoder<Unit>& decode);

/// ParseHeader of a UTF-16 line.
inline std::optional<ProcedureHeader> ParseHeader(vb::TextView line, int32_t P) {
    return ParseHeader<char16_t>(line, P, UnitDecoder<char16_t>());
}

/// True for a comment line "' trapwright: skip", letter case and the spaces
/// (or tabs) around its words ignored: the header below it is left alone.
template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line);

}  // namespace scan
