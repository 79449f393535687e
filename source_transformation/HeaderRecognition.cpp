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

// The key list of a line is the four procedure keywords, each ending in a
// space, then the double quote and the apostrophe, so that a quote or a
// comment that starts before the first keyword hides it. The keywords
// without their final space:
constexpr std::array<TextView, 4> kProcedureKeywords = {u"sub", u"function", u"friend", u"property"};

// The four keywords end in four different letters, so the letter before the
// space tells which one alone can end there.
size_t KeywordEnding(TextView line, size_t space) {
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

// The 1-based key position found at a space, quote or apostrophe at `at`,
// or 0 when it is a space that ends no keyword.
int32_t KeyPositionAt(TextView line, size_t at) {
    if (line[at] != u' ') return static_cast<int32_t>(at + 1);
    const size_t start = KeywordEnding(line, at);
    return start == TextView::npos ? 0 : static_cast<int32_t>(start + 1);
}

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

size_t KeywordEndingAt(TextView line, size_t space) { return KeywordEnding(line, space); }

int32_t KeyPosition(TextView line) {
    // One pass instead of one search per entry: no two entries can overlap
    // (a keyword holds no quote, and its only space is its last character),
    // so the entry that ends first is also the one that begins first. The
    // pass looks at the spaces, quotes and apostrophes only, eight units at a
    // time where the processor allows.
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi16(u' ');
    const __m128i quote = _mm_set1_epi16(u'"');
    const __m128i apostrophe = _mm_set1_epi16(u'\'');
    for (; i + 8 <= line.size(); i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + i));
        const __m128i found = _mm_or_si128(_mm_cmpeq_epi16(units, space),
                                           _mm_or_si128(_mm_cmpeq_epi16(units, quote), _mm_cmpeq_epi16(units, apostrophe)));
        // Two mask bits per unit; take the units in order.
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found)); mask != 0; mask &= mask - 1, mask &= mask - 1) {
            const int32_t P = KeyPositionAt(line, i + static_cast<size_t>(__builtin_ctz(mask)) / 2);
            if (P > 0) return P;
        }
    }
#endif
    for (; i < line.size(); ++i) {
        const char16_t c = line[i];
        if (c != u' ' && c != u'"' && c != u'\'') continue;
        const int32_t P = KeyPositionAt(line, i);
        if (P > 0) return P;
    }
    return 0;
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
