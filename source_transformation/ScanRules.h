// The rules of the module scan for one line or one header, written once and
// as plainly as they read. The line rules take a line in either form of the
// scanned text (UTF-16 units, or the bytes of an ASCII-keeping single-byte
// code page, see SourceUnits.h) and give the same answer for both. "Blanks"
// are spaces and tabs; letters are those of any script (Units::IsLetter);
// letter case is ignored wherever words, names or labels are compared. The
// walk over a module's procedures (ProcedureWalk.h) applies them line by
// line, through a line source that may answer "certainly not" from a
// line's shape but otherwise calls these.
#pragma once

#include <array>
#include <cstdint>

#include "source_transformation/DeclaredNames.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan::rules {

template <typename Unit>
inline UnitView<Unit> TrimLeft(UnitView<Unit> text) {
    return text.substr(SkipBlanks(text, 0));
}
template <typename Unit>
UnitView<Unit> TrimRight(UnitView<Unit> text) {
    while (!text.empty() && IsBlankUnit(text.back())) text.remove_suffix(1);
    return text;
}

/// The length of the name at the start: a letter, then letters, digits and
/// underscores; 0 when there is none.
template <typename Unit>
size_t NameLength(UnitView<Unit> text, const Units<Unit>& units) {
    if (text.empty() || !units.IsLetter(text.front())) return 0;
    size_t end = 1;
    while (end < text.size() && units.IsNameUnit(text[end])) ++end;
    return end;
}

/// The line's first word is Rem: the line is a comment.
template <typename Unit>
bool FirstWordIsRem(UnitView<Unit> line, const Units<Unit>& units);

/// Trailing blanks aside, the line ends in a blank and "_".
template <typename Unit>
bool EndsWithContinuationMark(UnitView<Unit> line);

/// How a line ending in the continuation mark goes on. `isComment`: a
/// comment continues onto the line itself.
struct Continuation {
    bool continues = false;  ///< the mark stands outside a string literal
    bool comment = false;    ///< it stands in a comment: the next line is comment too
};
template <typename Unit>
Continuation ContinuationOf(UnitView<Unit> line, bool isComment, const Units<Unit>& units);

/// "End Sub", "End Function" or "End Property", blanks before, between and
/// after, optionally a comment.
template <typename Unit>
bool IsEndLine(UnitView<Unit> line);

/// The label the line defines: a name at its first unit, blanks, then ":"
/// not followed by "="; empty for none.
template <typename Unit>
UnitView<Unit> LabelOf(UnitView<Unit> line, const Units<Unit>& units);

/// A line of blanks only.
template <typename Unit>
bool IsBlankLine(UnitView<Unit> line) {
    return SkipBlanks(line, 0) == line.size();
}
/// A compiler directive: its first unit after blanks is "#".
template <typename Unit>
bool IsDirectiveLine(UnitView<Unit> line) {
    const size_t at = SkipBlanks(line, 0);
    return at < line.size() && line[at] == '#';
}
/// A comment line: an apostrophe after blanks, or Rem.
template <typename Unit>
bool IsCommentLine(UnitView<Unit> line, const Units<Unit>& units);
/// A line directly below a header that stays there: "Attribute " in its
/// first column.
template <typename Unit>
bool IsAttributeLine(UnitView<Unit> line) {
    return StartsWithNoCase(line, "attribute ");
}

/// The 1-based key position of a line: the first of the procedure
/// keywords (each with its space), a double quote and an apostrophe; 0
/// when none occurs.
template <typename Unit>
int32_t KeyPosition(UnitView<Unit> line);

/// The header test of a line whose key position is `keyPosition` (above
/// 0): the key position when the line is a header's first line, else 0.
/// The key must be a keyword; the text before it, read without each
/// "friend ", must be empty or end in a space and hold none of "end",
/// "exit" and "declare" (anywhere, not word-bounded, so "Legend" holds
/// "end"); a Rem line is none. It reads the line no further than the
/// keyword at the key, so the line up to the keyword's space will do.
template <typename Unit>
int32_t HeaderTestAt(UnitView<Unit> line, int32_t keyPosition, const Units<Unit>& units);

/// The header test at the line's own key position.
template <typename Unit>
int32_t HeaderKeyword(UnitView<Unit> line, const Units<Unit>& units) {
    const int32_t keyPosition = KeyPosition(line);
    return keyPosition == 0 ? 0 : HeaderTestAt(line, keyPosition, units);
}

// The same rules on decoded text, for callers that hold it.
inline vb::TextView TrimLeft(vb::TextView text) { return TrimLeft<char16_t>(text); }
inline vb::TextView TrimRight(vb::TextView text) { return TrimRight<char16_t>(text); }
inline bool IsBlank(char16_t unit) { return IsBlankUnit(unit); }
inline vb::TextView NameAtStart(vb::TextView text) { return text.substr(0, NameLength(text, kTextUnits)); }
inline bool FirstWordIsRem(vb::TextView line) { return FirstWordIsRem(line, kTextUnits); }
inline bool EndsWithContinuationMark(vb::TextView line) { return EndsWithContinuationMark<char16_t>(line); }
inline vb::TextView LabelOf(vb::TextView line) { return LabelOf(line, kTextUnits); }
inline bool IsEndLine(vb::TextView line) { return IsEndLine<char16_t>(line); }
inline bool IsBlankLine(vb::TextView line) { return IsBlankLine<char16_t>(line); }
inline bool IsDirectiveLine(vb::TextView line) { return IsDirectiveLine<char16_t>(line); }
inline bool IsCommentLine(vb::TextView line) { return IsCommentLine(line, kTextUnits); }
inline bool IsAttributeLine(vb::TextView line) { return IsAttributeLine<char16_t>(line); }
inline int32_t HeaderKeyword(vb::TextView line) { return HeaderKeyword(line, kTextUnits); }

/// Where a header's values went in the text ParseHeader appended them to,
/// and what its parameters tell the verdict.
struct HeaderSpans {
    size_t kindAt = 0;        ///< the keyword as written, with its space: [kindAt, nameAt)
    size_t nameAt = 0;        ///< from after the keyword's space to the "(": [nameAt, parametersAt)
    size_t parametersAt = 0;  ///< the names of the parameters a Variant can hold, joined with ", ": [parametersAt, end)
    size_t end = 0;
    bool statementAfter = false;  ///< a colon outside strings and comments after the closing ")"
    bool holdsBrackets = false;   ///< the values hold "[" or "]"
    /// A parameter named Err or Erl (a type character aside), as written;
    /// all zero for none.
    std::array<char16_t, 3> errParameter{};
    /// The offset in the joined header of a parameter's type ErrObject (the
    /// error passed in whole); npos for none.
    size_t errObjectAt = vb::TextView::npos;
};

/// Parses a joined header (its lines joined, each final "_" and line break
/// dropped) whose keyword stands at `keyPosition` into `spans`, appending
/// its values, decoded, to `values`; false (and nothing appended or set)
/// without a "(" after the name. Without `withParameters` the parameters
/// are not read: their value is empty and no Err parameter is found.
template <typename Unit>
bool ParseHeader(UnitView<Unit> joined, int32_t keyPosition, const DeclaredNames& declared, const Units<Unit>& units,
                 Text& values, HeaderSpans& spans, bool withParameters = true);

/// Earlier versions took a line for a header by the key list with
/// "friend " and the line alone, and put a begin block under it.
bool EarlierHeader(vb::TextView line);

/// Earlier versions' end-of-procedure flag: "end" before the key position
/// of their key list, and neither "exit" nor "declare". They put end
/// blocks above such lines.
bool EarlierFlag(vb::TextView line);

}  // namespace scan::rules
