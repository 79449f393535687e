// Procedure recognition and header parsing, line by line.
#include "source_transformation/HeaderRecognition.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

namespace {

// The four procedure keywords of the key list, without their final space.
constexpr std::array<std::string_view, 4> kProcedureKeywords = {"sub", "function", "friend", "property"};

// Which of the exclusion words "end", "exit" and "declare" occur in a text,
// anywhere and letter case ignored.
struct ExclusionWords {
    bool end = false;
    bool exit = false;
    bool declare = false;
};

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
// without the lanes already seen. All three exclusion words hold an "e",
// so a text without one holds none of them.
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

template <typename Unit>
ExclusionWords ExclusionWordsIn(UnitView<Unit> text) {
    ExclusionWords words;
    ForEachLetterE(text, [&](size_t i) {
        words.end = words.end || StartsWithNoCase(text.substr(i), "end");
        words.exit = words.exit || StartsWithNoCase(text.substr(i), "exit");
        words.declare = words.declare || (i > 0 && StartsWithNoCase(text.substr(i - 1), "declare"));
    });
    return words;
}

// Words dropped from the joined parameter list, in this order.
constexpr std::array<std::string_view, 4> kParameterModifiers = {"optional ", "paramarray ", "byval ", "byref "};

// Removes the modifier words from the list that starts at `from`: every
// occurrence of each word (letter case ignored), one word after the other,
// as replacing it with an empty text does. A word's only space is its last
// character, so an occurrence ends at one of the list's spaces and no two
// overlap: removing each one left to right is removing them all. The
// spaces are found once and followed through the removals.
void RemoveModifiers(Text& text, size_t from) {
    std::array<size_t, 32> fewSpaces;
    std::vector<size_t> manySpaces;
    const auto count = static_cast<size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), u' '));
    if (count > fewSpaces.size()) manySpaces.resize(count);
    size_t* const spaces = count > fewSpaces.size() ? manySpaces.data() : fewSpaces.data();
    size_t left = 0;  // spaces still in the text, at their places
    for (size_t at = from; at < text.size(); ++at) {
        if (text[at] == u' ') spaces[left++] = at;
    }
    for (const std::string_view word : kParameterModifiers) {
        size_t kept = Text::npos;  // where the next kept unit goes, once one occurrence is out
        size_t next = from;        // the first unit not yet kept or removed
        size_t removed = 0;        // units removed before the space being looked at
        const size_t before = left;
        left = 0;
        for (size_t k = 0; k < before; ++k) {
            const size_t space = spaces[k];
            // The word's letter before its space first: each word's is a
            // letter, which setting bit 0x20 folds exactly.
            if (space + 1 >= from + word.size() && (text[space - 1] | 0x20) == word[word.size() - 2] &&
                StartsWithNoCase(vb::TextView(text).substr(space + 1 - word.size()), word)) {
                const size_t start = space + 1 - word.size();
                const auto units = text.begin();
                kept = kept == Text::npos ? start
                                          : static_cast<size_t>(std::copy(units + next, units + start, units + kept) - units);
                next = space + 1;
                removed += word.size();
            } else {
                spaces[left++] = space - removed;
            }
        }
        if (kept != Text::npos) text.erase(kept, next - kept);
    }
}

// Spaces (code 32 only) cut from both ends.
template <typename Unit>
UnitView<Unit> TrimSpaces(UnitView<Unit> text) {
    const size_t first = text.find_first_not_of(Unit(' '));
    if (first == UnitView<Unit>::npos) return {};
    return text.substr(first, text.find_last_not_of(Unit(' ')) - first + 1);
}

// The first "as " in a piece, letter case ignored; npos when none. Its
// space is looked for first: most positions hold none.
template <typename Unit>
size_t FindAs(UnitView<Unit> piece) {
    for (size_t space = 2; space < piece.size(); ++space) {
        if (piece[space] == ' ' && FoldUnit(piece[space - 1]) == 's' && FoldUnit(piece[space - 2]) == 'a') {
            return space - 2;
        }
    }
    return UnitView<Unit>::npos;
}

// Appends the header's parameter names, decoded: the pieces between the
// commas, each cut before its first "as " and trimmed, joined with ", ",
// then the modifier words removed (each word over the whole joined list,
// one word after the other). The removal may work on the decoded list: a
// unit decoded from a byte of 128 or above is never an ASCII letter.
template <typename Unit>
void AppendParameterList(UnitView<Unit> parameterText, const UnitDecoder<Unit>& decode, Text& out) {
    const size_t listAt = out.size();
    size_t from = 0;
    for (;;) {
        const size_t comma = parameterText.find(Unit(','), from);
        UnitView<Unit> piece = parameterText.substr(from, comma == UnitView<Unit>::npos ? UnitView<Unit>::npos : comma - from);
        piece = piece.substr(0, FindAs(piece));
        if (from > 0) out += u", ";
        decode.AppendTo(TrimSpaces(piece), out);
        if (comma == UnitView<Unit>::npos) break;
        from = comma + 1;
    }
    RemoveModifiers(out, listAt);
}

}  // namespace

// The four keywords end in four different letters, so the letter before the
// space tells which one alone can end there. Keywords are all letters, so
// setting bit 0x20 of a unit folds exactly a keyword letter's capital.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space) {
    constexpr size_t npos = UnitView<Unit>::npos;
    if (space == 0) return npos;
    std::string_view keyword;
    switch (line[space - 1] | 0x20) {
    case 'b': keyword = kProcedureKeywords[0]; break;
    case 'n': keyword = kProcedureKeywords[1]; break;
    case 'd': keyword = kProcedureKeywords[2]; break;
    case 'y': keyword = kProcedureKeywords[3]; break;
    default: return npos;
    }
    if (space < keyword.size()) return npos;
    const size_t start = space - keyword.size();
    for (size_t k = 0; k + 1 < keyword.size(); ++k) {  // its last letter is known already
        if ((line[start + k] | 0x20) != keyword[k]) return npos;
    }
    return start;
}

template <typename Unit>
bool IsHeaderCandidate(UnitView<Unit> line, int32_t P, bool& endOfProcedure) {
    const Unit atP = line[static_cast<size_t>(P - 1)];
    if (P == 1) return atP != '"' && atP != '\'';

    bool candidate = atP != '"' && atP != '\'' && line[static_cast<size_t>(P - 2)] == ' ';
    // "Found at a position before P": none of the three words can reach into
    // the character at P (a quote, an apostrophe or a keyword's first letter),
    // so only the text before it is looked at, once for all three words.
    const ExclusionWords words = ExclusionWordsIn(line.substr(0, static_cast<size_t>(P - 1)));
    if (words.end) {
        candidate = false;
        endOfProcedure = true;
    }
    if (words.exit) {
        candidate = false;
        endOfProcedure = false;
    }
    if (words.declare) {
        candidate = false;
        endOfProcedure = false;
    }
    return candidate;
}

template <typename Unit>
std::optional<HeaderValueSpans> ParseHeader(UnitView<Unit> line, int32_t P, const UnitDecoder<Unit>& decode,
                                            Text& values) {
    // 0-based: the keyword at K, its name after the first space from K, the
    // parameters between the first "(" after the name and the first ")"
    // from there.
    constexpr size_t npos = UnitView<Unit>::npos;
    const size_t K = static_cast<size_t>(P - 1);
    const size_t space = line.find(Unit(' '), K);
    if (space == npos) return std::nullopt;  // a key position always has its space
    const size_t N = space + 1;
    const size_t O = line.find(Unit('('), N);
    if (O == npos) return std::nullopt;
    const size_t C = line.find(Unit(')'), O);

    HeaderValueSpans spans;
    spans.kindAt = values.size();
    // The kind and the name in one go: in either form each unit decodes to
    // one unit of text, so the name starts N - K units after the kind.
    decode.AppendTo(line.substr(K, O - K), values);
    spans.nameAt = spans.kindAt + (N - K);
    spans.parametersAt = values.size();
    if (C != npos && C > O + 1) AppendParameterList(line.substr(O + 1, C - O - 1), decode, values);
    spans.end = values.size();
    return spans;
}

template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line) {
    size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    };
    auto take = [&](std::string_view word) {
        skipBlanks();
        if (!StartsWithNoCase(line.substr(at), word)) return false;
        at += word.size();
        return true;
    };
    if (!take("'") || !take("trapwright") || !take(":") || !take("skip")) return false;
    skipBlanks();
    return at == line.size();
}

// The two forms of text the scan reads.
#define TRAPWRIGHT_HEADER_RECOGNITION(Unit)                                                                          \
    template bool IsHeaderCandidate<Unit>(UnitView<Unit>, int32_t, bool&);                                        \
    template size_t KeywordEndingAt<Unit>(UnitView<Unit>, size_t);                                                \
    template std::optional<HeaderValueSpans> ParseHeader<Unit>(UnitView<Unit>, int32_t, const UnitDecoder<Unit>&,    \
                                                               Text&);                                            \
    template bool IsOptOutComment<Unit>(UnitView<Unit>);
TRAPWRIGHT_HEADER_RECOGNITION(char16_t)
TRAPWRIGHT_HEADER_RECOGNITION(char)
#undef TRAPWRIGHT_HEADER_RECOGNITION

}  // namespace scan
