// The rules of the module scan for one line or one header, written as
// plainly as they read. "Blanks" are spaces and tabs; letters are those of
// any script (vb::IsLetter); letter case is ignored wherever words, names
// or labels are compared. The walk over a module's procedures
// (ProcedureWalk.h) applies them line by line.
#pragma once

#include <cstdint>
#include <optional>

#include "source_transformation/DeclaredNames.h"
#include "vb_runtime/Text.h"

namespace scan::rules {

bool IsBlank(char16_t unit);
vb::TextView TrimLeft(vb::TextView text);
vb::TextView TrimRight(vb::TextView text);

/// The name at the start: a letter, then letters, digits and underscores;
/// empty when there is none.
vb::TextView NameAtStart(vb::TextView text);

/// A line's first word is Rem: the line is a comment.
bool FirstWordIsRem(vb::TextView line);

/// Trailing blanks aside, the line ends in a blank and "_".
bool EndsWithContinuationMark(vb::TextView line);

/// How a line ending in the continuation mark goes on. `isComment`: a
/// comment continues onto the line itself.
struct Continuation {
    bool continues = false;  ///< the mark stands outside a string literal
    bool comment = false;    ///< it stands in a comment: the next line is comment too
};
Continuation ContinuationOf(vb::TextView line, bool isComment);

/// "End Sub", "End Function" or "End Property", blanks before, between and
/// after, optionally a comment.
bool IsEndLine(vb::TextView line);

/// The label the line defines: a letter, then letters, digits and
/// underscores, blanks, then ":" not followed by "="; empty for none.
vb::TextView LabelOf(vb::TextView line);

/// A line of blanks only.
bool IsBlankLine(vb::TextView line);
/// A compiler directive: its first unit after blanks is "#".
bool IsDirectiveLine(vb::TextView line);
/// A comment line: an apostrophe after blanks, or Rem.
bool IsCommentLine(vb::TextView line);
/// A line directly below a header that stays there: "Attribute " in its
/// first column.
bool IsAttributeLine(vb::TextView line);

/// The 1-based position of a line's procedure keyword when the line is a
/// header's first line by the header test; 0 otherwise. The key position
/// is the first of the keywords, a double quote and an apostrophe; the text
/// before it, read without each "friend ", must be empty or end in a space
/// and hold none of "end", "exit" and "declare"; a Rem line is none.
int32_t HeaderKeyword(vb::TextView line);

/// Where a header's values went in the text ParseHeader appended them to,
/// and whether a statement follows the header.
struct HeaderSpans {
    size_t kindAt = 0;        ///< the keyword as written, with its space: [kindAt, nameAt)
    size_t nameAt = 0;        ///< from after the keyword's space to the "(": [nameAt, parametersAt)
    size_t parametersAt = 0;  ///< the names of the parameters a Variant can hold, joined with ", ": [parametersAt, end)
    size_t end = 0;
    bool statementAfter = false;  ///< a colon outside strings and comments after the closing ")"
    bool holdsBrackets = false;   ///< the values hold "[" or "]"
};

/// Parses a joined header (its lines joined, each final "_" and line break
/// dropped) whose keyword stands at `keyPosition`, appending its values to
/// `values`; nothing (and nothing appended) without a "(" after the name.
/// Without `withParameters` the parameters are not read: their value is
/// empty and statementAfter false.
std::optional<HeaderSpans> ParseHeader(vb::TextView joined, int32_t keyPosition, const DeclaredNames& declared,
                                       Text& values, bool withParameters = true);

/// Appends the names listed for a parameter text (between the parentheses).
void AppendParameterNames(vb::TextView parameterText, const DeclaredNames& declared, Text& out);

/// Whether VB6 can put a value of the type (as written after As) into a
/// Variant for certain.
bool VariantHolds(vb::TextView type, const DeclaredNames& declared);

/// Earlier versions took a line for a header by the key list with
/// "friend " and the line alone, and put a begin block under it.
bool EarlierHeader(vb::TextView line);

/// Earlier versions' end-of-procedure flag: "end" before the key position
/// of their key list, and neither "exit" nor "declare". They put end
/// blocks above such lines.
bool EarlierFlag(vb::TextView line);

}  // namespace scan::rules
