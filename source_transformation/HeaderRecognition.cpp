// Procedure recognition and header parsing, line by line.
#include "source_transformation/HeaderRecognition.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

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

// The 0-based index of the first "e" or "E" at or after `from`, or the
// text's size. All three exclusion words hold one, so a text without it
// holds none of them.
template <typename Unit>
size_t NextLetterE(UnitView<Unit> text, size_t from) {
    // Eight bytes at a time: a lane of (unit | 0x20) ^ 'e' is zero exactly
    // for "e" and "E", and the borrow test flags the lowest zero lane exactly.
    static_assert(std::endian::native == std::endian::little, "lanes are taken lowest first");
    constexpr size_t kLanes = 8 / sizeof(Unit);
    constexpr uint64_t kOnes = sizeof(Unit) == 1 ? 0x0101010101010101 : 0x0001000100010001;
    constexpr uint64_t kHighBits = kOnes << (8 * sizeof(Unit) - 1);
    for (; from + kLanes <= text.size(); from += kLanes) {
        uint64_t lanes;
        std::memcpy(&lanes, text.data() + from, sizeof lanes);
        const uint64_t other = (lanes | (kOnes * 0x20)) ^ (kOnes * 'e');
        const uint64_t zero = (other - kOnes) & ~other & kHighBits;
        if (zero != 0) return from + static_cast<size_t>(__builtin_ctzll(zero)) / (8 * sizeof(Unit));
    }
    for (; from < text.size(); ++from) {
        if ((text[from] | 0x20) == 'e') return from;
    }
    return text.size();
}

template <typename Unit>
ExclusionWords ExclusionWordsIn(UnitView<Unit> text) {
    ExclusionWords words;
    for (size_t i = NextLetterE(text, 0); i < text.size(); i = NextLetterE(text, i + 1)) {
        words.end = words.end || StartsWithNoCase(text.substr(i), "end");
        words.exit = words.exit || StartsWithNoCase(text.substr(i), "exit");
        words.declare = words.declare || (i > 0 && StartsWithNoCase(text.substr(i - 1), "declare"));
    }
    return words;
}

// Words dropped from the joined parameter list, in this order.
constexpr std::array<std::string_view, 4> kParameterModifiers = {"optional ", "paramarray ", "byval ", "byref "};

// Removes every occurrence of `word` (letter case ignored) from `text`
// after `from`, left to right, as replacing it with an empty text does:
// what is left after a removal is searched on, and never text that the
// removal joined.
void RemoveEveryNoCase(Text& text, size_t from, std::string_view word) {
    const auto first = static_cast<char16_t>(word[0]);
    auto startsWord = [&](size_t at) {
        return FoldUnit(text[at]) == first && StartsWithNoCase(vb::TextView(text).substr(at), word);
    };
    size_t kept = from;
    // Up to the first occurrence nothing moves.
    while (kept < text.size() && !startsWord(kept)) ++kept;
    for (size_t at = kept; at < text.size();) {
        if (startsWord(at)) {
            at += word.size();
        } else {
            text[kept++] = text[at++];
        }
    }
    text.resize(kept);
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
    for (std::string_view modifier : kParameterModifiers) RemoveEveryNoCase(out, listAt, modifier);
}

}  // namespace

// The four keywords end in four different letters, so the letter before the
// space tells which one alone can end there.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space) {
    if (space == 0) return UnitView<Unit>::npos;
    std::string_view keyword;
    switch (FoldUnit(line[space - 1])) {
    case 'b': keyword = kProcedureKeywords[0]; break;
    case 'n': keyword = kProcedureKeywords[1]; break;
    case 'd': keyword = kProcedureKeywords[2]; break;
    case 'y': keyword = kProcedureKeywords[3]; break;
    default: return UnitView<Unit>::npos;
    }
    if (space < keyword.size() || !StartsWithNoCase(line.substr(space - keyword.size()), keyword)) {
        return UnitView<Unit>::npos;
    }
    return space - keyword.size();
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
std::optional<ProcedureHeader> ParseHeader(UnitView<Unit> line, int32_t P, const UnitDecoder<Unit>& decode) {
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

    ProcedureHeader header;
    // Room for all three: a joined list is at most twice its text's length.
    header.values.reserve(O - K + (C != npos ? 2 * (C - O) : 0));
    decode.AppendTo(line.substr(K, N - K), header.values);
    header.nameAt = header.values.size();
    decode.AppendTo(line.substr(N, O - N), header.values);
    header.parametersAt = header.values.size();
    if (C != npos && C > O + 1) AppendParameterList(line.substr(O + 1, C - O - 1), decode, header.values);
    return header;
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
    template std::optional<ProcedureHeader> ParseHeader<Unit>(UnitView<Unit>, int32_t, const UnitDecoder<Unit>&); \
    template bool IsOptOutComment<Unit>(UnitView<Unit>);
TRAPWRIGHT_HEADER_RECOGNITION(char16_t)
TRAPWRIGHT_HEADER_RECOGNITION(char)
#undef TRAPWRIGHT_HEADER_RECOGNITION

}  // namespace scan
