// Procedure recognition and header parsing, line by line.
#include "source_transformation/HeaderRecognition.h"

#include <array>
#include <vector>

#include "vb_runtime/Strings.h"

using namespace vb;

namespace scan {

namespace {

// The four procedure keywords of the key list, without their final space.
constexpr std::array<TextView, 4> kProcedureKeywords = {u"sub", u"function", u"friend", u"property"};

// Which of the exclusion words "end", "exit" and "declare" occur in a text,
// anywhere and letter case ignored.
struct ExclusionWords {
    bool end = false;
    bool exit = false;
    bool declare = false;
};

bool StartsWithNoCase(TextView text, TextView prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

ExclusionWords ExclusionWordsIn(TextView text) {
    ExclusionWords words;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = FoldAscii(text[i]);
        if (c == u'e') {
            words.end = words.end || StartsWithNoCase(text.substr(i), u"end");
            words.exit = words.exit || StartsWithNoCase(text.substr(i), u"exit");
        } else if (c == u'd') {
            words.declare = words.declare || StartsWithNoCase(text.substr(i), u"declare");
        }
    }
    return words;
}

// Words dropped from the joined parameter list, in this order.
constexpr std::array<TextView, 4> kParameterModifiers = {u"optional ", u"paramarray ", u"byval ", u"byref "};

// The header's parameter names: pieces between the commas, each cut before
// its first "as " and trimmed, joined with ", ", modifier words removed (each
// word over the whole joined text, one word after the other).
Text ParameterList(TextView parameterText) {
    Text list;
    list.reserve(parameterText.size());
    size_t from = 0;
    for (;;) {
        const size_t comma = parameterText.find(u',', from);
        TextView piece = parameterText.substr(from, comma == TextView::npos ? TextView::npos : comma - from);
        const int32_t as = InStr(1, piece, u"as ", TextCompare);
        if (as > 0) piece = piece.substr(0, static_cast<size_t>(as - 1));
        const size_t first = piece.find_first_not_of(u' ');
        if (from > 0) list += u", ";
        if (first != TextView::npos) list += piece.substr(first, piece.find_last_not_of(u' ') - first + 1);
        if (comma == TextView::npos) break;
        from = comma + 1;
    }
    for (TextView modifier : kParameterModifiers) {
        if (InStr(1, list, modifier, TextCompare) > 0) list = Replace(list, modifier, u"", TextCompare);
    }
    return list;
}

}  // namespace

// The four keywords end in four different letters, so the letter before the
// space tells which one alone can end there.
size_t KeywordEndingAt(TextView line, size_t space) {
    if (space == 0) return TextView::npos;
    TextView keyword;
    switch (FoldAscii(line[space - 1])) {
    case u'b': keyword = kProcedureKeywords[0]; break;
    case u'n': keyword = kProcedureKeywords[1]; break;
    case u'd': keyword = kProcedureKeywords[2]; break;
    case u'y': keyword = kProcedureKeywords[3]; break;
    default: return TextView::npos;
    }
    if (space < keyword.size() || !EqualsNoCase(line.substr(space - keyword.size(), keyword.size()), keyword)) {
        return TextView::npos;
    }
    return space - keyword.size();
}


bool IsHeaderCandidate(TextView line, int32_t P, bool& endOfProcedure) {
    const char16_t atP = line[static_cast<size_t>(P - 1)];
    if (P == 1) return atP != u'"' && atP != u'\'';

    bool candidate = atP != u'"' && atP != u'\'' && line[static_cast<size_t>(P - 2)] == u' ';
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

std::optional<ProcedureHeader> ParseHeader(TextView line, int32_t P) {
    const int32_t N = InStr(P, line, u" ", BinaryCompare) + 1;
    const int32_t O = InStr(N, line, u"(", BinaryCompare);
    if (O == 0) return std::nullopt;
    const int32_t C = InStr(O, line, u")", BinaryCompare);

    ProcedureHeader header;
    header.kind = Mid(line, P, N - P);
    header.name = Mid(line, N, O - N);
    if (C - O - 1 > 0) header.parameters = ParameterList(Mid(line, O + 1, C - O - 1));
    return header;
}

bool IsOptOutComment(TextView line) {
    size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && (line[at] == u' ' || line[at] == u'\t')) ++at;
    };
    auto take = [&](TextView word) {
        skipBlanks();
        if (line.size() - at < word.size() || !EqualsNoCase(line.substr(at, word.size()), word)) return false;
        at += word.size();
        return true;
    };
    if (!take(u"'") || !take(u"trapwright") || !take(u":") || !take(u"skip")) return false;
    skipBlanks();
    return at == line.size();
}

}  // namespace scan
