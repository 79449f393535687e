// Which lines of a procedure take a line number, and the edits of number
// and unnumber.
#include "source_transformation/LineNumbering.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "source_transformation/ScanRules.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

using vb::TextView;

namespace scan {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsNameUnit(char16_t c) { return vb::IsLetter(c) || IsDigit(c) || c == u'_'; }

// The first word of the text (after blanks) is `word`, letter case ignored,
// and not the start of a longer name.
bool FirstWordIs(TextView text, std::string_view word) {
    return StartsWithNoCase<char16_t>(text, word) && (text.size() == word.size() || !IsNameUnit(text[word.size()]));
}

constexpr std::array<std::string_view, 9> kUnnumberedWords = {"dim",    "static", "const", "case", "else",
                                                               "elseif", "loop",   "next",  "wend"};

// One line of the text with what the continuation rule says of it.
struct Line {
    TextView text;
    size_t start = 0;
    bool continuedOnto = false;
};

// The first LF at or after `from`, or npos: the bytes are searched with
// memchr, and a byte 0x0A is an LF when it is a unit's low byte and the
// high byte is 0.
size_t FindLineFeed(TextView text, size_t from) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size() * 2;
    for (size_t at = from * 2; at < size;) {
        const void* found = std::memchr(bytes + at, '\n', size - at);
        if (found == nullptr) return TextView::npos;
        const auto offset = static_cast<size_t>(static_cast<const unsigned char*>(found) - bytes);
        if (offset % 2 == 0 && text[offset / 2] == u'\n') return offset / 2;
        at = offset + 1;
    }
    return TextView::npos;
}

std::vector<Line> LinesOf(TextView text, TextView lineBreak) {
    std::vector<Line> lines;
    if (text.empty()) return lines;
    bool continues = false;
    bool comment = false;
    const bool crLf = lineBreak.size() == 2;
    for (size_t from = 0;;) {
        // The next line break: an LF, after a CR in a CR LF text.
        size_t at = from;
        for (;;) {
            at = FindLineFeed(text, at);
            if (at == TextView::npos || !crLf || (at > from && text[at - 1] == u'\r')) break;
            ++at;
        }
        if (at != TextView::npos && crLf) --at;
        Line line{text.substr(from, at == TextView::npos ? TextView::npos : at - from), from, continues};
        const rules::Continuation continuation = rules::ContinuationOf(line.text, continues && comment);
        continues = continuation.continues;
        comment = continuation.comment;
        lines.push_back(line);
        if (at == TextView::npos) break;
        from = at + lineBreak.size();
    }
    return lines;
}

// Whether each line stands in a block of the scan: where it belongs or
// where an earlier version put it.
std::vector<bool> BlockLines(const ModuleScan& scan, const std::vector<Line>& lines) {
    std::vector<bool> inBlock(lines.size(), false);
    for (const BlockSite& site : scan.sites) {
        if (site.state != BlockState::Standing && site.state != BlockState::OldPlace) continue;
        // The lines that start in [from, to): a begin block's range starts
        // at the line break before its empty line, an end block's at its
        // first line.
        auto first = std::lower_bound(lines.begin(), lines.end(), site.from,
                                      [](const Line& line, size_t offset) { return line.start < offset; });
        for (; first != lines.end() && first->start < site.to; ++first) {
            inBlock[static_cast<size_t>(first - lines.begin())] = true;
        }
    }
    return inBlock;
}

// Calls visit(header, first, end) for the body lines [first, end) of every
// procedure that has an End line and that no policy or opt-out comment
// leaves alone.
template <class Visit>
void ForEachProcedureBody(const ModuleScan& scan, Visit visit) {
    std::vector<bool> leftAlone(scan.headers.size(), false);
    for (const BlockSite& site : scan.sites) {
        if (site.kind == BlockSite::Kind::Begin && site.header >= 0 && site.state == BlockState::LeftAlone) {
            leftAlone[static_cast<size_t>(site.header)] = true;
        }
    }
    for (const Procedure& procedure : scan.procedures) {
        if (!procedure.hasEndLine) continue;
        bool alone = false;
        for (size_t k = 0; k < procedure.headerCount; ++k) alone = alone || leftAlone[procedure.firstHeader + k];
        if (alone) continue;
        const size_t last = procedure.firstHeader + procedure.headerCount - 1;
        visit(procedure.firstHeader, scan.headers[last].attributeEnd + 1, procedure.endLine);
    }
}

}  // namespace

bool TakesLineNumber(TextView line) {
    const TextView text = rules::TrimLeft(line);
    if (text.empty() || rules::IsCommentLine(text) || !rules::LabelOf(line).empty() || IsDigit(text.front())) {
        return false;
    }
    if (text.front() == u'#') return false;
    const char16_t first = FoldUnit(text.front());
    for (const std::string_view word : kUnnumberedWords) {
        if (first == word[0] && FirstWordIs(text, word)) return false;
    }
    if (FirstWordIs(text, "end")) {
        // End and a word (End If, End Select, End Sub …) take none; a bare
        // End statement does.
        const TextView rest = rules::TrimLeft(text.substr(3));
        return rest.empty() || !vb::IsLetter(rest.front());
    }
    return true;
}

size_t LineNumberLength(TextView line) {
    size_t digits = 0;
    while (digits < line.size() && IsDigit(line[digits])) ++digits;
    if (digits == 0) return 0;
    if (digits == line.size()) return digits;
    return rules::IsBlank(line[digits]) ? digits + 1 : 0;
}

NumberingPlan PlanLineNumbers(TextView text, const ModuleScan& scan, const NumberingOptions& options) {
    NumberingPlan plan;
    const std::vector<Line> lines = LinesOf(text, scan.lineBreak);
    const std::vector<bool> inBlock = BlockLines(scan, lines);
    int64_t number = options.start;
    ForEachProcedureBody(scan, [&](size_t header, size_t first, size_t end) {
        for (size_t k = first; k < end; ++k) {
            if (!lines[k].continuedOnto && LineNumberLength(lines[k].text) > 0) {
                plan.alreadyNumbered.push_back(header);
                return;
            }
        }
        if (!options.perModule) number = options.start;
        for (size_t k = first; k < end; ++k) {
            if (lines[k].continuedOnto || inBlock[k] || !TakesLineNumber(lines[k].text)) continue;
            if (number > kLargestLineNumber) {
                throw vb::VbError::AtLine(vb::ErrInvalidArgument, static_cast<int32_t>(k + 1),
                                          vb::ToUtf8(vb::Trim(scan.headers[header].name)) + ": line number " +
                                              std::to_string(number) + " is above " +
                                              std::to_string(kLargestLineNumber) + ", the largest VB6 accepts");
            }
            plan.edits.push_back(NumberEdit{lines[k].start, 0, number});
            plan.numbered.push_back(NumberedLine{header, number, k});
            number += options.step;
        }
    });
    return plan;
}

NumberingPlan PlanLineNumberRemoval(TextView text, const ModuleScan& scan) {
    NumberingPlan plan;
    const std::vector<Line> lines = LinesOf(text, scan.lineBreak);
    ForEachProcedureBody(scan, [&](size_t header, size_t first, size_t end) {
        for (size_t k = first; k < end; ++k) {
            if (lines[k].continuedOnto) continue;
            const size_t length = LineNumberLength(lines[k].text);
            if (length > 0) {
                plan.edits.push_back(NumberEdit{lines[k].start, length, 0});
                plan.numbered.push_back(NumberedLine{header, 0, k});
            }
        }
    });
    return plan;
}

}  // namespace scan
