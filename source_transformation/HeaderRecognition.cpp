// Procedure recognition and header parsing, line by line.
#include "source_transformation/HeaderRecognition.h"

#include <array>
#include <vector>

#include "source_transformation/LineArray.h"
#include "vb_runtime/Strings.h"

using namespace vb;

namespace scan {

namespace {

// The key list of a line: the four procedure keywords, each ending in a
// space, then the double quote and the apostrophe, so that a quote or a
// comment that starts before the first keyword hides it.
const std::vector<Text>& ProcedureKeywords() {
    static const std::vector<Text> keywords = {u"sub ", u"function ", u"friend ", u"property ", u"\"", u"'"};
    return keywords;
}

// Words dropped from the joined parameter list, in this order.
constexpr std::array<TextView, 4> kParameterModifiers = {u"optional ", u"paramarray ", u"byval ", u"byref "};

// The header's parameter names: pieces between the commas, each cut before
// its first "as " and trimmed, joined with ", ", modifier words removed.
Text ParameterList(TextView parameterText) {
    std::vector<Text> pieces = Split(parameterText, u",");
    RemoveInArray(pieces, u"as ");
    Text list = Join(pieces, u", ");
    for (TextView modifier : kParameterModifiers) list = Replace(list, modifier, u"", TextCompare);
    return list;
}

}  // namespace

int32_t KeyPosition(TextView line) {
    int32_t start = 1;
    return InStrArray(start, line, ProcedureKeywords(), TextCompare);
}

bool IsHeaderCandidate(TextView line, int32_t P, bool& endOfProcedure) {
    const char16_t atP = line[static_cast<size_t>(P - 1)];
    if (P == 1) return atP != u'"' && atP != u'\'';

    bool candidate = atP != u'"' && atP != u'\'' && line[static_cast<size_t>(P - 2)] == u' ';
    const int32_t E = InStr(1, line, u"end", TextCompare);
    if (E > 0 && E < P) {
        candidate = false;
        endOfProcedure = true;
    }
    const int32_t X = InStr(1, line, u"exit", TextCompare);
    if (X > 0 && X < P) {
        candidate = false;
        endOfProcedure = false;
    }
    const int32_t D = InStr(1, line, u"declare", TextCompare);
    if (D > 0 && D < P) {
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
