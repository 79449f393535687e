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

/// Where ParseHeader put a header's values in the text it appended them
/// to: the kind at [kindAt, nameAt), the name at [nameAt, parametersAt),
/// the parameter list at [parametersAt, end).
struct HeaderValueSpans {
    size_t kindAt = 0;
    size_t nameAt = 0;
    size_t parametersAt = 0;
    size_t end = 0;

    /// The header of line `line` with its values in `values`.
    ProcedureHeader In(vb::TextView values, size_t line) const {
        return ProcedureHeader{line, values.substr(kindAt, nameAt - kindAt),
                               values.substr(nameAt, parametersAt - nameAt), values.substr(parametersAt, end - parametersAt)};
    }
};

/// Appends the kind, name and parameter list of a header candidate to
/// `values`, decoded with `decode`. A candidate without "(" after its
/// keyword, such as the comment line "Rem this sub is slow", is not a
/// header: no value, and nothing appended.
template <typename Unit>
std::optional<HeaderValueSpans> ParseHeader(UnitView<Unit> line, int32_t P, const UnitDecoder<Unit>& decode, Text& values);

/// True for a comment line "' trapwright: skip", letter case and the spaces
/// (or tabs) around its words ignored: the header below it is left alone.
template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line);

}  // namespace scan
