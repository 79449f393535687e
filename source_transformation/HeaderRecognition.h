// Line-local tests the fast scan runs as it classifies lines, on UTF-16
// text and on the bytes of an ASCII-keeping single-byte code page (Unit
// char16_t or char): the keyword a space ends (the line classifier finds
// each line's key position with it) and the opt-out comment. The header
// rules themselves stand in ScanRules.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "source_transformation/SourceUnits.h"

namespace scan {

/// The 0-based start of the procedure keyword (without its space) that the
/// space at `space` ends, or npos.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space);

/// True for a comment line "' trapwright: skip", letter case and the spaces
/// (or tabs) around its words ignored: the header below it is excluded.
template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line);

}  // namespace scan
