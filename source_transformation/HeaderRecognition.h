// Line-local tests the fast scan runs as it classifies lines, on UTF-16
// text and on the bytes of an ASCII-keeping single-byte code page (Unit
// char16_t or char): the keyword a space ends (the line classifier finds
// each line's key position with it) and the opt-out comment. The header
// rules themselves stand in ScanRules.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "source_transformation/ScanKeywords.h"
#include "source_transformation/SourceUnits.h"

namespace scan {

/// The 0-based start of the procedure keyword (without its space) that the
/// space at `space` ends, or npos. The keywords end in different letters,
/// so the letter before the space tells which one alone can end there.
/// Keywords are all letters, so setting bit 0x20 of a unit folds exactly a
/// keyword letter's capital.
template <typename Unit>
inline size_t KeywordEndingAt(UnitView<Unit> line, size_t space) {
    constexpr size_t npos = UnitView<Unit>::npos;
    if (space == 0) return npos;
    const auto last = static_cast<Unit>(line[space - 1] | 0x20);
    for (size_t k = 0; k < kProcedureKeywords.size(); ++k) {
        if (last != static_cast<Unit>(kKeywordLastLetters[k])) continue;
        const std::string_view keyword = WordOf(kProcedureKeywords[k]);
        if (space < keyword.size()) return npos;
        const size_t start = space - keyword.size();
        return StartsWithNoCase(line.substr(start), keyword) ? start : npos;
    }
    return npos;
}

/// True for a comment line "' trapwright: skip", letter case and the spaces
/// (or tabs) around its words ignored: the header below it is excluded.
template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line);

}  // namespace scan
