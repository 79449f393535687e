// The scan's line and header rules, plainly: no vector code, no shortcut.
#include "source_transformation/ScanRules.h"

#include <array>
#include <string_view>

#include "source_transformation/ScanKeywords.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

using vb::TextView;

namespace scan::rules {

namespace {

bool IsNameUnit(char16_t c) { return vb::IsLetter(c) || (c >= u'0' && c <= u'9') || c == u'_'; }

bool StartsNoCase(TextView text, TextView word) {
    return text.size() >= word.size() && vb::EqualsNoCase(text.substr(0, word.size()), word);
}
bool Contains(TextView text, TextView word) { return vb::InStr(1, text, word, vb::TextCompare) > 0; }

// The word `word` (small ASCII letters) at the start, followed by a blank.
bool StartsWithWord(TextView text, std::string_view word) {
    return StartsWithNoCase<char16_t>(text, word) && text.size() > word.size() && IsBlank(text[word.size()]);
}

// The smallest 1-based position at which a quote, an apostrophe or one of
// `keywords` occurs, letter case ignored; 0 when none does.
template <size_t Count>
int32_t KeyPosition(TextView line, const std::array<std::string_view, Count>& keywords) {
    for (size_t at = 0; at < line.size(); ++at) {
        if (line[at] == u'"' || line[at] == u'\'') return static_cast<int32_t>(at + 1);
        for (const std::string_view keyword : keywords) {
            if (FoldUnit(line[at]) == keyword[0] && StartsWithNoCase<char16_t>(line.substr(at), keyword)) {
                return static_cast<int32_t>(at + 1);
            }
        }
    }
    return 0;
}

bool HoldsExclusionWord(TextView text) {
    return Contains(text, u"end") || Contains(text, u"exit") || Contains(text, u"declare");
}

// The 1-based position of the ")" that closes the "(" at `open`; 0 when
// none does. Parentheses in string literals do not count.
int32_t ClosingParenthesis(TextView text, int32_t open) {
    int depth = 0;
    bool inString = false;
    for (size_t k = static_cast<size_t>(open - 1); k < text.size(); ++k) {
        if (text[k] == u'"') inString = !inString;
        if (inString) continue;
        if (text[k] == u'(') ++depth;
        if (text[k] == u')' && --depth == 0) return static_cast<int32_t>(k + 1);
    }
    return 0;
}

bool HasStatementAfter(TextView rest) {
    bool inString = false;
    for (const char16_t c : rest) {
        if (c == u'"') inString = !inString;
        if (inString) continue;
        if (c == u'\'') return false;
        if (c == u':') return true;
    }
    return false;
}

// Calls visit(piece) for the pieces between the commas outside string
// literals and parentheses, in order.
template <class Visit>
void ForEachParameter(TextView text, Visit visit) {
    int depth = 0;
    bool inString = false;
    size_t from = 0;
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == u'"') inString = !inString;
        if (inString) continue;
        if (text[k] == u'(') ++depth;
        if (text[k] == u')') --depth;
        if (text[k] == u',' && depth == 0) {
            visit(text.substr(from, k - from));
            from = k + 1;
        }
    }
    visit(text.substr(from));
}

constexpr std::array<std::string_view, 4> kParameterModifiers = {"optional", "byval", "byref", "paramarray"};

// The parameter's name when it is to be listed: its first word after the
// modifiers, with a type character; empty when it has no name, is a
// ParamArray, or has a type a Variant may not hold.
TextView ListedName(TextView piece, const DeclaredNames& declared) {
    TextView text = TrimLeft(piece);
    bool paramArray = false;
    for (bool more = true; more;) {
        more = false;
        for (const std::string_view modifier : kParameterModifiers) {
            if (StartsWithWord(text, modifier)) {
                paramArray = paramArray || modifier == "paramarray";
                text = TrimLeft(text.substr(modifier.size()));
                more = true;
            }
        }
    }
    TextView name = NameAtStart(text);
    if (name.empty() || paramArray) return {};
    if (name.size() < text.size() && TextView(u"$%&!#@").find(text[name.size()]) != TextView::npos) {
        name = text.substr(0, name.size() + 1);
    }
    TextView rest = TrimLeft(text.substr(name.size()));
    if (!rest.empty() && rest.front() == u'(') {  // an array: its element type follows
        const int32_t close = ClosingParenthesis(rest, 1);
        rest = close == 0 ? TextView() : TrimLeft(rest.substr(static_cast<size_t>(close)));
    }
    if (!StartsWithWord(rest, "as")) return name;
    const TextView typeText = TrimLeft(rest.substr(2));
    size_t typeEnd = 0;
    while (typeEnd < typeText.size() && (IsNameUnit(typeText[typeEnd]) || typeText[typeEnd] == u'.')) ++typeEnd;
    return VariantHolds(typeText.substr(0, typeEnd), declared) ? name : TextView();
}

}  // namespace

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

TextView NameAtStart(TextView text) {
    if (text.empty() || !vb::IsLetter(text.front())) return {};
    size_t end = 1;
    while (end < text.size() && IsNameUnit(text[end])) ++end;
    return text.substr(0, end);
}

TextView TrimLeft(TextView text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

TextView TrimRight(TextView text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool FirstWordIsRem(TextView line) {
    const TextView text = TrimLeft(line);
    return StartsNoCase(text, u"rem") && (text.size() == 3 || !IsNameUnit(text[3]));
}

bool EndsWithContinuationMark(TextView line) {
    const TextView text = TrimRight(line);
    return text.size() >= 2 && text.back() == u'_' && IsBlank(text[text.size() - 2]);
}

Continuation ContinuationOf(TextView line, bool isComment) {
    if (!EndsWithContinuationMark(line)) return {};
    if (isComment || FirstWordIsRem(line)) return {true, true};
    const TextView text = TrimRight(line);
    bool inString = false;
    for (size_t k = 0; k + 1 < text.size(); ++k) {
        if (text[k] == u'"') inString = !inString;
        if (text[k] == u'\'' && !inString) return {true, true};
    }
    return {!inString, false};
}

bool IsEndLine(TextView line) {
    TextView text = TrimLeft(line);
    if (!StartsWithWord(text, "end")) return false;
    text = TrimLeft(text.substr(3));
    for (const TextView keyword : {TextView(u"sub"), TextView(u"function"), TextView(u"property")}) {
        if (!StartsNoCase(text, keyword)) continue;
        const TextView after = TrimLeft(text.substr(keyword.size()));
        if (after.size() == text.size() - keyword.size() && !after.empty() && after.front() != u'\'') return false;
        return after.empty() || after.front() == u'\'';
    }
    return false;
}

TextView LabelOf(TextView line) {
    const TextView name = NameAtStart(line);
    if (name.empty()) return {};
    const TextView rest = TrimLeft(line.substr(name.size()));
    if (rest.empty() || rest.front() != u':' || (rest.size() > 1 && rest[1] == u'=')) return {};
    return name;
}

bool IsBlankLine(TextView line) { return TrimLeft(line).empty(); }

bool IsDirectiveLine(TextView line) {
    const TextView text = TrimLeft(line);
    return !text.empty() && text.front() == u'#';
}

bool IsCommentLine(TextView line) {
    const TextView text = TrimLeft(line);
    return (!text.empty() && text.front() == u'\'') || FirstWordIsRem(text);
}

bool IsAttributeLine(TextView line) { return StartsNoCase(line, u"attribute "); }

int32_t HeaderKeyword(TextView line) {
    const int32_t keyPosition = KeyPosition(line, kProcedureKeywords);
    if (keyPosition == 0 || line[keyPosition - 1] == u'"' || line[keyPosition - 1] == u'\'') return 0;
    const TextView written = line.substr(0, static_cast<size_t>(keyPosition - 1));
    const Text before = Contains(written, u"friend ") ? vb::Replace(written, u"friend ", u"", vb::TextCompare) : Text();
    const TextView read = Contains(written, u"friend ") ? TextView(before) : written;
    if (!read.empty() && (read.back() != u' ' || HoldsExclusionWord(read))) return 0;
    return FirstWordIsRem(line) ? 0 : keyPosition;
}

std::optional<HeaderSpans> ParseHeader(TextView joined, int32_t keyPosition, const DeclaredNames& declared,
                                       Text& values, bool withParameters) {
    // 0-based: the name after the first space from the keyword, the
    // parameters from the first "(" after the name to its ")".
    const size_t keyword = static_cast<size_t>(keyPosition - 1);
    const size_t space = joined.find(u' ', keyword);
    if (space == TextView::npos) return std::nullopt;
    const size_t openParen = joined.find(u'(', space + 1);
    if (openParen == TextView::npos) return std::nullopt;
    HeaderSpans spans;
    spans.kindAt = values.size();
    spans.nameAt = spans.kindAt + (space + 1 - keyword);
    values.append(joined.substr(keyword, openParen - keyword));
    spans.parametersAt = values.size();
    if (!withParameters) {
        spans.end = values.size();
        spans.holdsBrackets = TextView(values).substr(spans.kindAt).find_first_of(u"[]") != TextView::npos;
        return spans;
    }
    const int32_t closeParen = ClosingParenthesis(joined, static_cast<int32_t>(openParen + 1));
    const size_t parametersEnd = closeParen > 0 ? static_cast<size_t>(closeParen - 1) : joined.size();
    AppendParameterNames(joined.substr(openParen + 1, parametersEnd - openParen - 1), declared, values);
    spans.end = values.size();
    spans.holdsBrackets = TextView(values).substr(spans.kindAt).find_first_of(u"[]") != TextView::npos;
    spans.statementAfter = closeParen > 0 && HasStatementAfter(joined.substr(static_cast<size_t>(closeParen)));
    return spans;
}

void AppendParameterNames(TextView parameterText, const DeclaredNames& declared, Text& out) {
    bool first = true;
    ForEachParameter(parameterText, [&](TextView piece) {
        const TextView name = ListedName(piece, declared);
        if (name.empty()) return;
        if (!first) out += u", ";
        out += name;
        first = false;
    });
}

bool VariantHolds(TextView type, const DeclaredNames& declared) {
    static const std::array<TextView, 17> kTypes = {
        u"Boolean", u"Byte",   u"Integer", u"Long",    u"LongLong",   u"LongPtr", u"Single", u"Double", u"Currency",
        u"Decimal", u"Date",   u"String",  u"Object",  u"Variant",    u"Collection", u"Control", u"Form"};
    for (const TextView known : kTypes) {
        if (type.size() == known.size() && FoldUnit(type[0]) == FoldUnit(known[0]) && vb::EqualsNoCase(type, known)) {
            return true;
        }
    }
    const size_t dot = type.find(u'.');
    if (dot != TextView::npos) {
        const TextView library = type.substr(0, dot);
        return vb::EqualsNoCase(library, u"VB") || vb::EqualsNoCase(library, u"VBA") || vb::EqualsNoCase(library, u"stdole");
    }
    return !type.empty() && declared.Has(type);
}

bool EarlierHeader(TextView line) {
    const int32_t keyPosition = KeyPosition(line, kEarlierProcedureKeywords);
    if (keyPosition == 0 || line[keyPosition - 1] == u'"' || line[keyPosition - 1] == u'\'') return false;
    if (keyPosition > 1) {
        const TextView before = line.substr(0, static_cast<size_t>(keyPosition - 1));
        if (before.back() != u' ' || HoldsExclusionWord(before)) return false;
    }
    const int32_t nameStart = vb::InStr(keyPosition, line, u" ", vb::BinaryCompare) + 1;
    return vb::InStr(nameStart, line, u"(", vb::BinaryCompare) > 0;
}

bool EarlierFlag(TextView line) {
    const int32_t keyPosition = KeyPosition(line, kEarlierProcedureKeywords);
    if (keyPosition <= 1) return false;
    const TextView before = line.substr(0, static_cast<size_t>(keyPosition - 1));
    return Contains(before, u"end") && !Contains(before, u"exit") && !Contains(before, u"declare");
}

}  // namespace scan::rules
