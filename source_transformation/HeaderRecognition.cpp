// Procedure recognition and header parsing, line by line.
#include "source_transformation/HeaderRecognition.h"

#include <array>
#include <vector>

#include "vb_runtime/Strings.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The 0-based index of the first "e" or "E" at or after `from`, or the
// text's size. All three exclusion words hold one, so a text without it
// holds none of them.
size_t NextLetterE(TextView text, size_t from) {
#if defined(__SSE2__)
    for (; from + 8 <= text.size(); from += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
        const __m128i folded = _mm_or_si128(units, _mm_set1_epi16(0x20));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(folded, _mm_set1_epi16(u'e'))));
        if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(mask)) / 2;
    }
#endif
    for (; from < text.size(); ++from) {
        if ((text[from] | 0x20) == u'e') return from;
    }
    return text.size();
}

ExclusionWords ExclusionWordsIn(TextView text) {
    ExclusionWords words;
    for (size_t i = NextLetterE(text, 0); i < text.size(); i = NextLetterE(text, i + 1)) {
        words.end = words.end || StartsWithNoCase(text.substr(i), u"end");
        words.exit = words.exit || StartsWithNoCase(text.substr(i), u"exit");
        words.declare = words.declare || (i > 0 && StartsWithNoCase(text.substr(i - 1), u"declare"));
    }
    return words;
}

// Words dropped from the joined parameter list, in this order.
constexpr std::array<TextView, 4> kParameterModifiers = {u"optional ", u"paramarray ", u"byval ", u"byref "};

// Removes every occurrence of `word` (letter case ignored), left to right,
// as replacing it with an empty text does: what is left after a removal is
// searched on, and never text that the removal joined.
void RemoveEveryNoCase(Text& text, TextView word) {
    const char16_t first = FoldAscii(word[0]);
    size_t kept = 0;
    for (size_t at = 0; at < text.size();) {
        if (FoldAscii(text[at]) == first && StartsWithNoCase(TextView(text).substr(at), word)) {
            at += word.size();
        } else {
            text[kept++] = text[at++];
        }
    }
    text.resize(kept);
}

// Spaces (code 32 only) cut from both ends.
TextView TrimSpaces(TextView text) {
    const size_t first = text.find_first_not_of(u' ');
    if (first == TextView::npos) return {};
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

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
        if (from > 0) list += u", ";
        list += TrimSpaces(piece);
        if (comma == TextView::npos) break;
        from = comma + 1;
    }
    for (TextView modifier : kParameterModifiers) RemoveEveryNoCase(list, modifier);
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
    // 0-based: the keyword at K, its name after the first space from K, the
    // parameters between the first "(" after the name and the first ")"
    // from there.
    const size_t K = static_cast<size_t>(P - 1);
    const size_t space = line.find(u' ', K);
    if (space == TextView::npos) return std::nullopt;  // a key position always has its space
    const size_t N = space + 1;
    const size_t O = line.find(u'(', N);
    if (O == TextView::npos) return std::nullopt;
    const size_t C = line.find(u')', O);

    ProcedureHeader header;
    header.kind = Text(line.substr(K, N - K));
    header.name = Text(line.substr(N, O - N));
    if (C != TextView::npos && C > O + 1) header.parameters = ParameterList(line.substr(O + 1, C - O - 1));
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
