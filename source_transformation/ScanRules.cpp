// The scan's line and header rules, plainly: no vector code, no shortcut
// but one that gives the rule's own answer.
#include "source_transformation/ScanRules.h"

#include <algorithm>
#include <initializer_list>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// A word with the offset of its first "e".
struct WordWithE {
    std::string_view word;
    size_t e = 0;
};

template <size_t Count>
constexpr std::array<WordWithE, Count> WithTheirE(const std::array<std::string_view, Count>& words) {
    std::array<WordWithE, Count> found{};
    for (size_t k = 0; k < Count; ++k) found[k] = {words[k], words[k].find('e')};
    return found;
}

// Whether a word of `words` is in the text around its "e" at `e`.
template <typename Unit, size_t Count>
bool WordAroundE(UnitView<Unit> text, size_t e, const std::array<WordWithE, Count>& words) {
    for (const WordWithE& word : words) {
        if (e >= word.e && StartsWithNoCase(text.substr(e - word.e), word.word)) return true;
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
    static constexpr std::array<WordWithE, kExclusionWords.size()> kExclusions = WithTheirE(kExclusionWords);
    static constexpr std::array<WordWithE, 1> kFriend = WithTheirE(std::array<std::string_view, 1>{kFriendModifier});
    TextBeforeKeyword found;
    ForEachLetterE(text, [&](size_t e) {
        found.exclusionWord = found.exclusionWord || WordAroundE(text, e, kExclusions);
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
template <typename Unit>
int32_t ClosingParenthesis(UnitView<Unit> text, int32_t open) {
    int depth = 0;
    bool inString = false;
    for (size_t k = static_cast<size_t>(open - 1); k < text.size(); ++k) {
        if (text[k] == '"') inString = !inString;
        if (inString) continue;
        if (text[k] == '(') ++depth;
        if (text[k] == ')' && --depth == 0) return static_cast<int32_t>(k + 1);
    }
    return 0;
}

#if defined(__SSE2__)
// The bytes of the 16 at `at` equal to one of `signs`, one bit each.
template <typename... Signs>
unsigned BytesEqual(const char* at, Signs... signs) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i found = _mm_setzero_si128();
    ((found = _mm_or_si128(found, _mm_cmpeq_epi8(units, _mm_set1_epi8(signs)))), ...);
    return static_cast<unsigned>(_mm_movemask_epi8(found));
}
#endif

// The first `c` from `at` on; the text's size when none follows. Header
// parts are short: a plain loop, or for bytes one compare of sixteen,
// finds them sooner than a library search.
template <typename Unit>
size_t FindUnit(UnitView<Unit> text, size_t at, char c) {
#if defined(__SSE2__)
    if constexpr (sizeof(Unit) == 1) {
        for (; at + 16 <= text.size(); at += 16) {
            if (const unsigned found = BytesEqual(text.data() + at, c); found != 0) {
                return at + static_cast<size_t>(__builtin_ctz(found));
            }
        }
    }
#endif
    while (at < text.size() && text[at] != static_cast<Unit>(c)) ++at;
    return at;
}

// Whether units [from, to) of the text hold "[" or "]".
template <typename Unit>
bool HoldsBracket(UnitView<Unit> text, size_t from, size_t to) {
#if defined(__SSE2__)
    if constexpr (sizeof(Unit) == 1) {
        // Sixteen at a time while the text has them, the bits past `to` dropped.
        for (; from < to && from + 16 <= text.size(); from += 16) {
            const unsigned found = BytesEqual(text.data() + from, '[', ']');
            const unsigned within = to - from >= 16 ? 0xFFFFu : (1u << (to - from)) - 1;
            if ((found & within) != 0) return true;
        }
    }
#endif
    for (; from < to; ++from) {
        if (text[from] == '[' || text[from] == ']') return true;
    }
    return false;
}

// The signs a header's parameter list and the rest of its line are read
// by; every other unit is passed over in one compare and one lookup.
constexpr std::array<bool, 128> kHeaderSigns = [] {
    std::array<bool, 128> signs{};
    for (const char c : {'"', '(', ')', ',', '\'', ':'}) signs[static_cast<unsigned char>(c)] = true;
    return signs;
}();

// The first header sign from `at` on; the text's size when none follows.
// Bytes are looked at sixteen at a time while sixteen are left.
template <typename Unit>
size_t NextHeaderSign(UnitView<Unit> text, size_t at) {
#if defined(__SSE2__)
    if constexpr (sizeof(Unit) == 1) {
        for (; at + 16 <= text.size(); at += 16) {
            const unsigned found = BytesEqual(text.data() + at, '"', '(', ')', ',', '\'', ':');
            if (found != 0) return at + static_cast<size_t>(__builtin_ctz(found));
        }
    }
#endif
    for (; at < text.size(); ++at) {
        const char16_t c = UnitAsChar(text[at]);
        if (c < 128 && kHeaderSigns[c]) return at;
    }
    return text.size();
}

// The closing quote of the string literal whose opening quote is at `at`;
// the text's size when it is not closed.
template <typename Unit>
size_t ClosingQuote(UnitView<Unit> text, size_t at) {
    return FindUnit(text, at + 1, '"');
}

template <typename Unit>
bool HasStatementAfter(UnitView<Unit> rest) {
    for (size_t at = NextHeaderSign(rest, 0); at < rest.size(); at = NextHeaderSign(rest, at + 1)) {
        const Unit c = rest[at];
        if (c == '"') at = ClosingQuote(rest, at);
        if (c == '\'') return false;
        if (c == ':') return true;
    }
    return false;
}

constexpr std::array<std::string_view, 4> kParameterModifiers = {"optional", "byval", "byref", "paramarray"};

// One parameter as the header writes it.
template <typename Unit>
struct Parameter {
    UnitView<Unit> name;    // with its type character, if any
    size_t nameLength = 0;  // without it
    bool paramArray = false;
    bool hasType = false;  // "As" follows the name
    UnitView<Unit> type;   // the type after As
    size_t typeAt = 0;     // its offset in the piece
};

template <typename Unit>
bool IsTypeCharacter(Unit unit) {
    return unit == '$' || unit == '%' || unit == '&' || unit == '!' || unit == '#' || unit == '@';
}

// A modifier that starts a parameter, with the blank after it: its length
// (0 for none), and whether it is ParamArray.
struct Modifier {
    size_t length = 0;
    bool paramArray = false;
};

// Eight bytes of a word of small letters, as one little-endian number.
constexpr uint64_t EightBytes(std::string_view word) {
    uint64_t bytes = 0;
    for (size_t k = 0; k < word.size() && k < 8; ++k) bytes |= uint64_t{static_cast<uint8_t>(word[k])} << (8 * k);
    return bytes;
}

template <typename Unit>
Modifier ModifierAt(UnitView<Unit> text) {
    static_assert(kParameterModifiers[0] == "optional" && kParameterModifiers[1] == "byval" &&
                  kParameterModifiers[2] == "byref" && kParameterModifiers[3] == "paramarray");
    if constexpr (sizeof(Unit) == 1 && std::endian::native == std::endian::little) {
        // Sixteen bytes or more: every modifier is compared at once, its
        // letters as one number with bit 0x20 of each byte set (which folds
        // exactly a letter's capital onto it), so that which one the text
        // starts with costs no branch.
        if (text.size() >= 16) {
            uint64_t low;
            uint64_t high;
            std::memcpy(&low, text.data(), sizeof low);
            std::memcpy(&high, text.data() + 8, sizeof high);
            low |= uint64_t{0x2020202020202020};
            high |= uint64_t{0x2020202020202020};
            constexpr uint64_t kFive = (uint64_t{1} << 40) - 1;
            // Each test as a number, so that they are combined without a branch.
            auto is = [](bool test) { return static_cast<size_t>(test); };
            const size_t optional = is(low == EightBytes(kParameterModifiers[0])) & is(IsBlankUnit(text[8]));
            const size_t byVal = is((low & kFive) == EightBytes(kParameterModifiers[1])) & is(IsBlankUnit(text[5]));
            const size_t byRef = is((low & kFive) == EightBytes(kParameterModifiers[2])) & is(IsBlankUnit(text[5]));
            const size_t paramArray = is(low == EightBytes(kParameterModifiers[3])) &
                                      is((high & 0xFFFF) == EightBytes(kParameterModifiers[3].substr(8))) &
                                      is(IsBlankUnit(text[10]));
            return {optional * 8 + (byVal | byRef) * 5 + paramArray * 10, paramArray != 0};
        }
    }
    // The first letter (and the third, for ByVal and ByRef) tells which one
    // a word may be.
    std::string_view modifier;
    const Unit first = text.empty() ? Unit{0} : FoldUnit(text.front());
    if (first == 'o') {
        modifier = kParameterModifiers[0];
    } else if (first == 'b') {
        modifier = text.size() > 2 && FoldUnit(text[2]) == 'v' ? kParameterModifiers[1] : kParameterModifiers[2];
    } else if (first == 'p') {
        modifier = kParameterModifiers[3];
    }
    if (modifier.empty() || !StartsWithWord(text, modifier)) return {};
    return {modifier.size(), first == 'p'};
}

template <typename Unit>
Parameter<Unit> ParameterOf(UnitView<Unit> piece, const Units<Unit>& units) {
    Parameter<Unit> parameter;
    UnitView<Unit> text = TrimLeft(piece);
    // The modifiers before the name, in any order.
    for (Modifier modifier; (modifier = ModifierAt(text)).length != 0;) {
        parameter.paramArray = parameter.paramArray || modifier.paramArray;
        text = TrimLeft(text.substr(modifier.length));
    }
    parameter.nameLength = NameLength(text, units);
    if (parameter.nameLength == 0) return parameter;
    size_t nameEnd = parameter.nameLength;
    if (nameEnd < text.size() && IsTypeCharacter(text[nameEnd])) ++nameEnd;
    parameter.name = text.substr(0, nameEnd);
    UnitView<Unit> rest = TrimLeft(text.substr(nameEnd));
    if (!rest.empty() && rest.front() == '(') {  // an array: its element type follows
        const int32_t close = ClosingParenthesis(rest, 1);
        rest = close == 0 ? UnitView<Unit>() : TrimLeft(rest.substr(static_cast<size_t>(close)));
    }
    if (!StartsWithWord(rest, "as")) return parameter;
    parameter.hasType = true;
    const UnitView<Unit> typeText = TrimLeft(rest.substr(2));
    size_t typeEnd = 0;
    while (typeEnd < typeText.size() && (units.IsNameUnit(typeText[typeEnd]) || typeText[typeEnd] == '.')) ++typeEnd;
    parameter.type = typeText.substr(0, typeEnd);
    parameter.typeAt = static_cast<size_t>(typeText.data() - piece.data());
    return parameter;
}

// Whether VB6 can put a value of the type (as written after As) into a
// Variant for certain.
template <typename Unit>
bool VariantHolds(UnitView<Unit> type, const DeclaredNames& declared, const Units<Unit>& units) {
    // The types VB6 names, by their length.
    auto isOneOf = [&type](std::initializer_list<std::string_view> names) {
        for (const std::string_view name : names) {
            if (StartsWithNoCase(type, name)) return true;
        }
        return false;
    };
    switch (type.size()) {
    case 4:
        if (isOneOf({"long", "byte", "date", "form"})) return true;
        break;
    case 6:
        if (isOneOf({"string", "double", "single", "object"})) return true;
        break;
    case 7:
        if (isOneOf({"integer", "boolean", "variant", "longptr", "decimal", "control"})) return true;
        break;
    case 8:
        if (isOneOf({"currency", "longlong"})) return true;
        break;
    case 10:
        if (isOneOf({"collection"})) return true;
        break;
    default: break;
    }
    const size_t dot = FindUnit(type, 0, '.');
    if (dot < type.size()) {
        const UnitView<Unit> library = type.substr(0, dot);
        auto is = [&library](std::string_view name) { return library.size() == name.size() && StartsWithNoCase(library, name); };
        return is("vb") || is("vba") || is("stdole");
    }
    if (type.empty() || declared.Empty()) return false;
    if constexpr (sizeof(Unit) == 2) {
        return declared.Has(type);
    } else {
        return declared.Has(units(type));
    }
}

// The parameter's name when it is to be listed: with its type character;
// empty when it has no name, is a ParamArray, or has a type a Variant may
// not hold.
template <typename Unit>
UnitView<Unit> ListedName(const Parameter<Unit>& parameter, const DeclaredNames& declared, const Units<Unit>& units) {
    if (parameter.name.empty() || parameter.paramArray) return {};
    return !parameter.hasType || VariantHolds(parameter.type, declared, units) ? parameter.name : UnitView<Unit>();
}

template <typename Unit>
bool NamesErrorState(UnitView<Unit> name) {
    return name.size() == 3 && (StartsWithNoCase(name, "err") || StartsWithNoCase(name, "erl"));
}

template <typename Unit>
bool IsErrObjectType(UnitView<Unit> type) {
    return (type.size() == 9 && StartsWithNoCase(type, "errobject")) ||
           (type.size() == 13 && StartsWithNoCase(type, "vba.errobject"));
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

template <typename Unit>
bool ParseHeader(UnitView<Unit> joined, int32_t keyPosition, const DeclaredNames& declared, const Units<Unit>& units,
                 Text& values, HeaderSpans& spans, bool withParameters) {
    // 0-based: the name after the first space from the keyword, the
    // parameters from the first "(" after the name to its ")".
    const size_t keyword = static_cast<size_t>(keyPosition - 1);
    const size_t space = FindUnit(joined, keyword, ' ');
    if (space == joined.size()) return false;
    const size_t openParen = FindUnit(joined, space + 1, '(');
    if (openParen == joined.size()) return false;
    spans = HeaderSpans{};
    spans.kindAt = values.size();
    spans.nameAt = spans.kindAt + (space + 1 - keyword);
    const UnitView<Unit> kindAndName = joined.substr(keyword, openParen - keyword);
    units.AppendTo(kindAndName, values);
    spans.parametersAt = values.size();
    // Listed names are names: only the kind and the name may hold a bracket.
    spans.holdsBrackets = HoldsBracket(joined, keyword, openParen);
    bool first = true;
    auto visit = [&](size_t from, size_t to) {
        if (!withParameters) return;
        const Parameter<Unit> parameter = ParameterOf(joined.substr(from, to - from), units);
        const UnitView<Unit> name = parameter.name.substr(0, parameter.nameLength);
        if (spans.errParameter[0] == 0 && NamesErrorState(name)) {
            std::transform(name.begin(), name.end(), spans.errParameter.begin(), UnitAsChar<Unit>);
        }
        if (spans.errObjectAt == TextView::npos && IsErrObjectType(parameter.type)) spans.errObjectAt = from + parameter.typeAt;
        const UnitView<Unit> listed = ListedName(parameter, declared, units);
        if (listed.empty()) return;
        if (!first) values += u", ";
        units.AppendTo(listed, values);
        first = false;
    };
    // One pass from the "(": the pieces between the commas outside string
    // literals and nested parentheses, then the ")" that closes it.
    int depth = 1;
    size_t piece = openParen + 1;
    size_t at = NextHeaderSign(joined, piece);
    for (; at < joined.size(); at = NextHeaderSign(joined, at + 1)) {
        const Unit c = joined[at];
        if (c == '"') {
            at = ClosingQuote(joined, at);
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) break;
        } else if (c == ',' && depth == 1) {
            visit(piece, at);
            piece = at + 1;
        }
    }
    visit(piece, at);
    spans.end = values.size();
    spans.statementAfter = at < joined.size() && HasStatementAfter(joined.substr(at + 1));
    return true;
}

template bool ParseHeader<char16_t>(UnitView<char16_t>, int32_t, const DeclaredNames&, const Units<char16_t>&, Text&,
                                    HeaderSpans&, bool);
template bool ParseHeader<char>(UnitView<char>, int32_t, const DeclaredNames&, const Units<char>&, Text&,
                                HeaderSpans&, bool);

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
