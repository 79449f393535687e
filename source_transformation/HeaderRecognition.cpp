// The keyword a space ends, and opt-out comments.
#include "source_transformation/HeaderRecognition.h"

#include <string_view>

#include "source_transformation/ScanKeywords.h"

namespace scan {

// The keywords end in different letters, so the letter before the space
// tells which one alone can end there. Keywords are all letters, so setting
// bit 0x20 of a unit folds exactly a keyword letter's capital.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space) {
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

template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line) {
    size_t at = 0;
    auto take = [&](std::string_view word) {
        at = SkipBlanks(line, at);
        if (!StartsWithNoCase(line.substr(at), word)) return false;
        at += word.size();
        return true;
    };
    if (!take("'") || !take("trapwright") || !take(":") || !take("skip")) return false;
    return SkipBlanks(line, at) == line.size();
}

// The two forms of text the scan reads.
template size_t KeywordEndingAt<char16_t>(UnitView<char16_t>, size_t);
template size_t KeywordEndingAt<char>(UnitView<char>, size_t);
template bool IsOptOutComment<char16_t>(UnitView<char16_t>);
template bool IsOptOutComment<char>(UnitView<char>);

}  // namespace scan
