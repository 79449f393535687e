// The scan's line and header rules, plainly: no vector code, no shortcut
// but one that gives the rule's own answer.
#include "source_transformation/ScanRules.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#include "source_transformation/ScanKeywords.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

using vb::TextView;

namespace scan::rules {

namespace {

// `word` (small ASCII letters) at the start, followed by a blank.
template <typename Unit>
bool StartsWithWord(UnitView<Unit> text, std::string_view word) {
    return StartsWithNoCase(text, word) && text.size() > word.size() && IsBlankUnit(text[word.size()]);
}

// One high bit for each lane of the eight bytes at `at` that holds "e" or
// "E": (unit | 0x20) ^ 'e' is zero exactly for those, and the zero test
// is exact in every lane (no borrow crosses lanes).
template <typename Unit>
uint64_t LetterELanes(const Unit* at) {
    constexpr uint64_t kOnes = sizeof(Unit) == 1 ? 0x0101010101010101 : 0x0001000100010001;
    constexpr uint64_t kHighBits = kOnes << (8 * sizeof(Unit) - 1);
    constexpr uint64_t kLowBits = ~kHighBits;
    uint64_t lanes;
    std::memcpy(&lanes, at, sizeof lanes);
    const uint64_t other = (lanes | (kOnes * 0x20)) ^ (kOnes * 'e');
    return ~(((other & kLowBits) + kLowBits) | other | kLowBits);
}

// Calls `visit` with the 0-based index of every "e" or "E" of the text, in
// order: eight bytes at a time, then the eight bytes that end the text
// without the lanes already seen. Each exclusion word and the Friend
// modifier hold an "e", so a text without one holds none of them.
template <typename Unit, typename Visit>
void ForEachLetterE(UnitView<Unit> text, Visit visit) {
    static_assert(std::endian::native == std::endian::little, "lanes are taken lowest first");
    constexpr size_t kLanes = 8 / sizeof(Unit);
    auto visitLanes = [&](size_t first, uint64_t found) {
        for (; found != 0; found &= found - 1) {
            visit(first + static_cast<size_t>(__builtin_ctzll(found)) / (8 * sizeof(Unit)));
        }
    };
    if (text.size() < kLanes) {
        for (size_t i = 0; i < text.size(); ++i) {
            if ((text[i] | 0x20) == 'e') visit(i);
        }
        return;
    }
    size_t from = 0;
    for (; from + kLanes <= text.size(); from += kLanes) visitLanes(from, LetterELanes(text.data() + from));
    if (from < text.size()) {
        const size_t last = text.size() - kLanes;
        visitLanes(from, LetterELanes(text.data() + last) >> (8 * sizeof(Unit) * (from - last)));
    }
}

// Whether a word of `words` starts at `i`, where the text holds an "e" at
// `e` (each word's first "e" is found at its own offset).
template <typename Unit, size_t Count>
bool WordAroundE(UnitView<Unit> text, size_t e, const std::array<std::string_view, Count>& words) {
    for (const std::string_view word : words) {
        const size_t offset = word.find('e');
        if (e >= offset && StartsWithNoCase(text.substr(e - offset), word)) return true;
    }
    return false;
}

// What the text before a keyword holds: an exclusion word, the Friend modifier.
struct TextBeforeKeyword {
    bool exclusionWord = false;
    bool friendModifier = false;
};

template <typename Unit>
TextBeforeKeyword Inspect(UnitView<Unit> text) {
    static constexpr std::array<std::string_view, 1> kFriend = {kFriendModifier};
    TextBeforeKeyword found;
    ForEachLetterE(text, [&](size_t e) {
        found.exclusionWord = found.exclusionWord || WordAroundE(text, e, kExclusionWords);
        found.friendModifier = found.friendModifier || WordAroundE(text, e, kFriend);
    });
    return found;
}

// The text with every "friend " taken out, left to right, letter case ignored.
template <typename Unit>
std::basic_string<Unit> WithoutFriend(UnitView<Unit> text) {
    std::basic_string<Unit> read;
    for (size_t at = 0; at < text.size();) {
        if (StartsWithNoCase(text.substr(at), kFriendModifier)) {
            at += kFriendModifier.size();
        } else {
            read.push_back(text[at++]);
        }
    }
    return read;
}

// The text before a keyword allows a header: empty, or ending in a space
// and holding no exclusion word.
template <typename Unit>
bool AllowsHeader(UnitView<Unit> read) {
    return read.empty() || (read.back() == ' ' && !Inspect(read).exclusionWord);
}

// The smallest 1-based position at which a quote, an apostrophe or one of
// `keywords` occurs, letter case ignored; 0 when none does.
template <typename Unit, size_t Count>
int32_t KeyPositionOf(UnitView<Unit> line, const std::array<std::string_view, Count>& keywords) {
    for (size_t at = 0; at < line.size(); ++at) {
        if (line[at] == '"' || line[at] == '\'') return static_cast<int32_t>(at + 1);
        for (const std::string_view keyword : keywords) {
            if (FoldUnit(line[at]) == static_cast<Unit>(keyword[0]) && StartsWithNoCase(line.substr(at), keyword)) {
                return static_cast<int32_t>(at + 1);
            }
        }
    }
    return 0;
}

// Whether the text holds `word` anywhere, letter case ignored.
bool Contains(TextView text, std::string_view word) {
    for (size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (StartsWithNoCase(text.substr(at), word)) return true;
    }
    return false;
}

bool HoldsExclusionWord(TextView text) { return Inspect<char16_t>(text).exclusionWord; }

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

// The signs a header's parameter list and the rest of its line are read
// by; every other unit is passed over in one compare and one lookup.
constexpr std::array<bool, 128> kHeaderSigns = [] {
    std::array<bool, 128> signs{};
    for (const char c : {'"', '(', ')', ',', '\'', ':'}) signs[static_cast<unsigned char>(c)] = true;
    return signs;
}();

// The first header sign from `at` on; the text's size when none follows.
size_t NextHeaderSign(TextView text, size_t at) {
    for (; at < text.size(); ++at) {
        if (text[at] < 128 && kHeaderSigns[text[at]]) return at;
    }
    return text.size();
}

// The closing quote of the string literal whose opening quote is at `at`;
// the text's size when it is not closed.
size_t ClosingQuote(TextView text, size_t at) {
    const size_t close = text.find(u'"', at + 1);
    return close == TextView::npos ? text.size() : close;
}

bool HasStatementAfter(TextView rest) {
    for (size_t at = NextHeaderSign(rest, 0); at < rest.size(); at = NextHeaderSign(rest, at + 1)) {
        const char16_t c = rest[at];
        if (c == u'"') at = ClosingQuote(rest, at);
        if (c == u'\'') return false;
        if (c == u':') return true;
    }
    return false;
}

// Calls visit(piece, offset) for the pieces between the commas outside
// string literals and parentheses, in order.
template <class Visit>
void ForEachParameter(TextView text, Visit visit) {
    int depth = 0;
    bool inString = false;
    size_t from = 0;
    for (size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == u'"') inString = !inString;
        if (inString) continue;
        if (c == u'(') ++depth;
        if (c == u')') --depth;
        if (c == u',' && depth == 0) {
            visit(text.substr(from, k - from), from);
            from = k + 1;
        }
    }
    visit(text.substr(from), from);
}

constexpr std::array<std::string_view, 4> kParameterModifiers = {"optional", "byval", "byref", "paramarray"};

// One parameter as the header writes it.
struct Parameter {
    TextView name;  // with its type character, if any
    size_t nameLength = 0;  // without it
    bool paramArray = false;
    bool hasType = false;  // "As" follows the name
    TextView type;         // the type after As
    size_t typeAt = 0;     // its offset in the piece
};

Parameter ParameterOf(TextView piece) {
    Parameter parameter;
    TextView text = TrimLeft(piece);
    // The modifiers before the name, in any order: the first letter (and
    // the third, for ByVal and ByRef) tells which one a word may be.
    while (!text.empty()) {
        const char16_t first = FoldUnit(text.front());
        std::string_view modifier;
        if (first == u'o') {
            modifier = kParameterModifiers[0];
        } else if (first == u'b') {
            modifier = text.size() > 2 && FoldUnit(text[2]) == u'v' ? kParameterModifiers[1] : kParameterModifiers[2];
        } else if (first == u'p') {
            modifier = kParameterModifiers[3];
        }
        if (modifier.empty() || !StartsWithWord(text, modifier)) break;
        parameter.paramArray = parameter.paramArray || modifier == kParameterModifiers[3];
        text = TrimLeft(text.substr(modifier.size()));
    }
    parameter.nameLength = NameLength(text, kTextUnits);
    if (parameter.nameLength == 0) return parameter;
    size_t nameEnd = parameter.nameLength;
    if (nameEnd < text.size() && TextView(u"$%&!#@").find(text[nameEnd]) != TextView::npos) ++nameEnd;
    parameter.name = text.substr(0, nameEnd);
    TextView rest = TrimLeft(text.substr(nameEnd));
    if (!rest.empty() && rest.front() == u'(') {  // an array: its element type follows
        const int32_t close = ClosingParenthesis(rest, 1);
        rest = close == 0 ? TextView() : TrimLeft(rest.substr(static_cast<size_t>(close)));
    }
    if (!StartsWithWord(rest, "as")) return parameter;
    parameter.hasType = true;
    const TextView typeText = TrimLeft(rest.substr(2));
    size_t typeEnd = 0;
    while (typeEnd < typeText.size() && (kTextUnits.IsNameUnit(typeText[typeEnd]) || typeText[typeEnd] == u'.')) {
        ++typeEnd;
    }
    parameter.type = typeText.substr(0, typeEnd);
    parameter.typeAt = static_cast<size_t>(typeText.data() - piece.data());
    return parameter;
}

// The parameter's name when it is to be listed: with its type character;
// empty when it has no name, is a ParamArray, or has a type a Variant may
// not hold.
TextView ListedName(const Parameter& parameter, const DeclaredNames& declared) {
    if (parameter.name.empty() || parameter.paramArray) return {};
    return !parameter.hasType || VariantHolds(parameter.type, declared) ? parameter.name : TextView();
}

bool NamesErrorState(TextView name) {
    return name.size() == 3 && (StartsWithNoCase<char16_t>(name, "err") || StartsWithNoCase<char16_t>(name, "erl"));
}

bool IsErrObjectType(TextView type) {
    return (type.size() == 9 && StartsWithNoCase<char16_t>(type, "errobject")) ||
           (type.size() == 13 && StartsWithNoCase<char16_t>(type, "vba.errobject"));
}

}  // namespace

template <typename Unit>
bool FirstWordIsRem(UnitView<Unit> line, const Units<Unit>& units) {
    const UnitView<Unit> text = TrimLeft(line);
    return StartsWithNoCase(text, "rem") && (text.size() == 3 || !units.IsNameUnit(text[3]));
}

template <typename Unit>
bool EndsWithContinuationMark(UnitView<Unit> line) {
    const UnitView<Unit> text = TrimRight(line);
    return text.size() >= 2 && text.back() == '_' && IsBlankUnit(text[text.size() - 2]);
}

template <typename Unit>
Continuation ContinuationOf(UnitView<Unit> line, bool isComment, const Units<Unit>& units) {
    if (!EndsWithContinuationMark(line)) return {};
    if (isComment || FirstWordIsRem(line, units)) return {true, true};
    const UnitView<Unit> text = TrimRight(line);
    bool inString = false;
    for (size_t k = 0; k + 1 < text.size(); ++k) {
        if (text[k] == '"') inString = !inString;
        if (text[k] == '\'' && !inString) return {true, true};
    }
    return {!inString, false};
}

template <typename Unit>
bool IsEndLine(UnitView<Unit> line) {
    UnitView<Unit> text = TrimLeft(line);
    if (!StartsWithWord(text, "end")) return false;
    text = TrimLeft(text.substr(3));
    for (const std::string_view keyword : kProcedureKeywords) {
        const std::string_view word = WordOf(keyword);
        if (!StartsWithNoCase(text, word)) continue;
        const UnitView<Unit> after = TrimLeft(text.substr(word.size()));
        const bool blankAfter = after.size() < text.size() - word.size();
        return after.empty() || (after.front() == '\'' && (blankAfter || text[word.size()] == '\''));
    }
    return false;
}

template <typename Unit>
UnitView<Unit> LabelOf(UnitView<Unit> line, const Units<Unit>& units) {
    const size_t name = NameLength(line, units);
    if (name == 0) return {};
    const size_t colon = SkipBlanks(line, name);
    if (colon == line.size() || line[colon] != ':' || (colon + 1 < line.size() && line[colon + 1] == '=')) return {};
    return line.substr(0, name);
}

template <typename Unit>
bool IsCommentLine(UnitView<Unit> line, const Units<Unit>& units) {
    const size_t at = SkipBlanks(line, 0);
    return (at < line.size() && line[at] == '\'') || FirstWordIsRem(line, units);
}

template <typename Unit>
int32_t KeyPosition(UnitView<Unit> line) {
    return KeyPositionOf(line, kProcedureKeywords);
}

template <typename Unit>
int32_t HeaderTestAt(UnitView<Unit> line, int32_t keyPosition, const Units<Unit>& units) {
    const auto key = static_cast<size_t>(keyPosition - 1);
    if (line[key] == '"' || line[key] == '\'') return 0;
    const UnitView<Unit> before = line.substr(0, key);
    const TextBeforeKeyword found = Inspect(before);
    if (!found.friendModifier ? !(before.empty() || (before.back() == ' ' && !found.exclusionWord))
                              : !AllowsHeader<Unit>(WithoutFriend(before))) {
        return 0;
    }
    return FirstWordIsRem(line, units) ? 0 : keyPosition;
}

// The two forms of text the rules read.
#define TRAPWRIGHT_SCAN_RULES(Unit)                                                               \
    template bool FirstWordIsRem<Unit>(UnitView<Unit>, const Units<Unit>&);                       \
    template bool EndsWithContinuationMark<Unit>(UnitView<Unit>);                                 \
    template Continuation ContinuationOf<Unit>(UnitView<Unit>, bool, const Units<Unit>&);         \
    template bool IsEndLine<Unit>(UnitView<Unit>);                                                \
    template UnitView<Unit> LabelOf<Unit>(UnitView<Unit>, const Units<Unit>&);                    \
    template bool IsCommentLine<Unit>(UnitView<Unit>, const Units<Unit>&);                        \
    template int32_t KeyPosition<Unit>(UnitView<Unit>);                                           \
    template int32_t HeaderTestAt<Unit>(UnitView<Unit>, int32_t, const Units<Unit>&);
TRAPWRIGHT_SCAN_RULES(char16_t)
TRAPWRIGHT_SCAN_RULES(char)
#undef TRAPWRIGHT_SCAN_RULES

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
    const TextView kindAndName = joined.substr(keyword, openParen - keyword);
    values.append(kindAndName);
    spans.parametersAt = values.size();
    // Listed names are names: only the kind and the name may hold a bracket.
    for (const char16_t c : kindAndName) spans.holdsBrackets |= c == u'[' || c == u']';
    bool first = true;
    auto visit = [&](size_t from, size_t to) {
        if (!withParameters) return;
        const Parameter parameter = ParameterOf(joined.substr(from, to - from));
        const TextView name = parameter.name.substr(0, parameter.nameLength);
        if (spans.errParameter[0] == 0 && NamesErrorState(name)) std::copy(name.begin(), name.end(), spans.errParameter.begin());
        if (spans.errObjectAt == TextView::npos && IsErrObjectType(parameter.type)) spans.errObjectAt = from + parameter.typeAt;
        const TextView listed = ListedName(parameter, declared);
        if (listed.empty()) return;
        if (!first) values += u", ";
        values += listed;
        first = false;
    };
    // One pass from the "(": the pieces between the commas outside string
    // literals and nested parentheses, then the ")" that closes it.
    int depth = 1;
    size_t piece = openParen + 1;
    size_t at = NextHeaderSign(joined, piece);
    for (; at < joined.size(); at = NextHeaderSign(joined, at + 1)) {
        const char16_t c = joined[at];
        if (c == u'"') {
            at = ClosingQuote(joined, at);
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (--depth == 0) break;
        } else if (c == u',' && depth == 1) {
            visit(piece, at);
            piece = at + 1;
        }
    }
    visit(piece, at);
    spans.end = values.size();
    spans.statementAfter = at < joined.size() && HasStatementAfter(joined.substr(at + 1));
    return spans;
}

void AppendParameterNames(TextView parameterText, const DeclaredNames& declared, Text& out) {
    bool first = true;
    ForEachParameter(parameterText, [&](TextView piece, size_t) {
        const TextView name = ListedName(ParameterOf(piece), declared);
        if (name.empty()) return;
        if (!first) out += u", ";
        out += name;
        first = false;
    });
}

bool VariantHolds(TextView type, const DeclaredNames& declared) {
    static constexpr std::array<std::string_view, 17> kTypes = {
        "boolean", "byte",   "integer", "long",    "longlong",   "longptr", "single", "double", "currency",
        "decimal", "date",   "string",  "object",  "variant",    "collection", "control", "form"};
    for (const std::string_view known : kTypes) {
        if (type.size() == known.size() && StartsWithNoCase<char16_t>(type, known)) return true;
    }
    const size_t dot = type.find(u'.');
    if (dot != TextView::npos) {
        const TextView library = type.substr(0, dot);
        return vb::EqualsNoCase(library, u"VB") || vb::EqualsNoCase(library, u"VBA") || vb::EqualsNoCase(library, u"stdole");
    }
    return !type.empty() && declared.Has(type);
}

bool EarlierHeader(TextView line) {
    const int32_t keyPosition = KeyPositionOf(line, kEarlierProcedureKeywords);
    if (keyPosition == 0 || line[keyPosition - 1] == u'"' || line[keyPosition - 1] == u'\'') return false;
    if (keyPosition > 1) {
        const TextView before = line.substr(0, static_cast<size_t>(keyPosition - 1));
        if (before.back() != u' ' || HoldsExclusionWord(before)) return false;
    }
    const int32_t nameStart = vb::InStr(keyPosition, line, u" ", vb::BinaryCompare) + 1;
    return vb::InStr(nameStart, line, u"(", vb::BinaryCompare) > 0;
}

bool EarlierFlag(TextView line) {
    const int32_t keyPosition = KeyPositionOf(line, kEarlierProcedureKeywords);
    if (keyPosition <= 1) return false;
    const TextView before = line.substr(0, static_cast<size_t>(keyPosition - 1));
    return Contains(before, kExclusionWords[0]) && !Contains(before, kExclusionWords[1]) &&
           !Contains(before, kExclusionWords[2]);
}

}  // namespace scan::rules
