// clsVBParser: module source buffer, line array utilities, procedure
// recognition and handler insertion.
//
// Recognition is textual and works on physical lines: a header continued
// with " _" is recognised on its first line only, and text inserted into a
// line is never scanned again.
#include "source_transformation/clsVBParser.h"

#include <array>
#include <optional>
#include <string>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

using namespace vb;

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

// Scan state of one AddErrorHandler call: the most recent header's kind,
// name and parameter list, and whether the current line closes a procedure.
struct ScanState {
    Text kind;
    Text name;
    Text parameters;
    bool endOfProcedure = false;
};

struct Header {
    Text kind;
    Text name;
    Text parameters;
};

// The header test for a line whose key position P is above 0. For P > 1 the
// three exclusion tests always run, in order, and each sets or clears the
// end-of-procedure flag; the substrings are not word-bounded on purpose, so
// "Legend" before the keyword counts as "end".
bool IsHeaderCandidate(const Text& line, int32_t P, bool& endOfProcedure) {
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

// The header's parameter names: pieces between the commas, each cut before
// its first "as " and trimmed, joined with ", ", modifier words removed.
Text ParameterList(clsVBParser& parser, const Text& parameterText) {
    std::vector<Text> pieces = Split(parameterText, u",");
    parser.RemoveInArray(pieces, u"as ", TextCompare);
    Text list = Join(pieces, u", ");
    for (TextView modifier : kParameterModifiers) list = Replace(list, modifier, u"", TextCompare);
    return list;
}

// Kind, name and parameter list of a header candidate. A candidate without
// "(" after its keyword (a Rem comment such as "Rem this sub is slow") is not
// a header.
std::optional<Header> ParseHeader(clsVBParser& parser, const Text& line, int32_t P) {
    const int32_t N = InStr(P, line, u" ", BinaryCompare) + 1;
    const int32_t O = InStr(N, line, u"(", BinaryCompare);
    if (O == 0) return std::nullopt;
    const int32_t C = InStr(O, line, u")", BinaryCompare);

    Header header;
    header.kind = Mid(line, P, N - P);
    header.name = Mid(line, N, O - N);
    if (C - O - 1 > 0) header.parameters = ParameterList(parser, Mid(line, O + 1, C - O - 1));
    return header;
}

// Replaces the placeholders, in any letter case, in the fixed order name,
// kind, parameters; each replacement works on the result of the previous one.
Text Expand(TextView templateText, const ScanState& state) {
    Text expanded = Replace(templateText, u"[ProcName]", state.name, TextCompare);
    expanded = Replace(expanded, u"[ProcType]", state.kind, TextCompare);
    return Replace(expanded, u"[Paramenters]", state.parameters, TextCompare);
}

// The header keeps its line; one empty line and the begin block follow it.
// The begin template loses as many characters at its end as the text's line
// break has (two for CR LF, one for LF): its final line break.
void InsertBeginBlock(Text& line, const Text& BeginProc, TextView lineBreak, const ScanState& state,
                      size_t lineNumber) {
    if (BeginProc.size() < lineBreak.size()) {
        throw VbError(ErrInvalidArgument, "line " + std::to_string(lineNumber) +
                                              (lineBreak == CrLf ? ": the begin template is shorter than two characters"
                                                                 : ": the begin template is empty"));
    }
    const Text block = Expand(TextView(BeginProc).substr(0, BeginProc.size() - lineBreak.size()), state);
    line.reserve(line.size() + 2 * lineBreak.size() + block.size());
    line += lineBreak;
    line += lineBreak;
    line += block;
}

// The end block goes directly above a line that set the end-of-procedure flag.
void InsertEndBlock(Text& line, const Text& EndProc, TextView lineBreak, ScanState& state) {
    if (EndProc.empty() || !state.endOfProcedure) return;
    Text block = Expand(EndProc, state);
    block += lineBreak;
    block += line;
    line = std::move(block);
    state.endOfProcedure = false;
}

}  // namespace

void clsVBParser::AddErrorHandler(const Text& BeginProc, const Text& EndProc) {
    const TextView lineBreak = DetectLineBreak(codeInput_);
    const Text begin = TemplateForLineBreak(BeginProc, lineBreak);
    const Text end = TemplateForLineBreak(EndProc, lineBreak);
    std::vector<Text> lines = Split(codeInput_, lineBreak);
    ScanState state;
    int32_t headers = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        Text& line = lines[i];
        int32_t start = 1;
        const int32_t P = InStrArray(start, line, ProcedureKeywords(), TextCompare);
        if (P == 0) continue;

        if (IsHeaderCandidate(line, P, state.endOfProcedure)) {
            if (std::optional<Header> header = ParseHeader(*this, line, P)) {
                state.kind = std::move(header->kind);
                state.name = std::move(header->name);
                state.parameters = std::move(header->parameters);
                InsertBeginBlock(line, begin, lineBreak, state, i + 1);
                ++headers;
            }
        }
        InsertEndBlock(line, end, lineBreak, state);
    }
    codeOutput_ = Join(lines, lineBreak);
    outputLineBreak_ = lineBreak;
    procedureCount_ = headers;
}

std::vector<Text> clsVBParser::RemoveInArray(std::vector<Text>& lpArray, const Text& strFind, int32_t Compare) {
    for (Text& element : lpArray) {
        const int32_t p = InStr(1, element, strFind, Compare);
        element = p > 0 ? Trim(TextView(element).substr(0, static_cast<size_t>(p - 1))) : Trim(element);
    }
    return lpArray;
}

int32_t clsVBParser::InStrArray(int32_t& Start, const Text& strCompare, const std::vector<Text>& lpArray,
                                int32_t Compare) {
    if (Start < 1) Start = 1;
    const int32_t nothing = static_cast<int32_t>(strCompare.size()) + 1;
    int32_t best = nothing;
    for (const Text& element : lpArray) {
        const int32_t p = InStr(Start, strCompare, element, Compare);
        if (p > 0 && p < best) best = p;
    }
    return best == nothing ? 0 : best;
}

void clsVBParser::LoadCode(const Text& strFileName) {
    if (!IsOrdinaryFile(strFileName)) return;
    // The buffer takes the file's length before the file is read, so a failed
    // read leaves that many blanks, as the original runtime did; the blanks
    // are only made when the read fails.
    const auto length = static_cast<size_t>(FileLength(strFileName));
    std::string bytes;
    try {
        bytes = ReadFileBytes(strFileName);
    } catch (const VbError&) {
        codeInput_.assign(length, u' ');
        throw;
    }
    codeInput_ = DecodeAnsi(bytes, DisplayPath(strFileName));
}

void clsVBParser::SaveCode(const Text& strFileName) {
    std::string bytes = EncodeAnsi(codeOutput_ + outputLineBreak_);
    WriteFileBytes(strFileName, bytes);
}

const Text& clsVBParser::CodeOutput() const { return codeOutput_; }

const Text& clsVBParser::CodeInput() const { return codeInput_; }

void clsVBParser::CodeInput(const Text& vNewValue) { codeInput_ = vNewValue; }

int32_t clsVBParser::ProcedureCount() const { return procedureCount_; }

const Text& clsVBParser::OutputLineBreak() const { return outputLineBreak_; }
