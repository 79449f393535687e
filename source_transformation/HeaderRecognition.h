// The line-local tests the fast scan runs on every line with a key
// position, on UTF-16 text and on the bytes of an ASCII-keeping single-byte
// code page (Unit char16_t or char): the keyword a space ends (the line
// classifier finds each line's key position with it), a pre-test that
// passes every header line and few others, and the opt-out comment. The
// header rules themselves stand in ScanRules.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "source_transformation/SourceUnits.h"

namespace scan {

/// The 0-based start of the procedure keyword (without its space) that the
/// space at `space` ends, or npos.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space);

/// For a line whose 1-based key position is above 0: false when the header
/// rule certainly rejects it (a quote or an apostrophe at the key position;
/// text before the keyword that does not end in a space or holds "end",
/// "exit" or "declare", none of it "friend "). True lines are tested by the
/// rule. The substrings are not word-bounded on purpose, so "Legend" before
/// the keyword counts as "end". `decided` is set when the verdict is the
/// rule's own but for a leading Rem: no "friend " stands before the keyword.
template <typename Unit>
bool MayBeHeader(UnitView<Unit> line, int32_t keyPosition, bool& decided);

/// True for a comment line "' trapwright: skip", letter case and the spaces
/// (or tabs) around its words ignored: the header below it is left alone.
template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line);

}  // namespace scan
