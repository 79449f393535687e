// Two scans of one module compared field by field: every header, value,
// procedure, kept line, site, state, refusal and insertion. Empty when they agree,
// else the first difference, for a test's message or a fuzzer's abort.
#pragma once

#include <string>

#include "source_transformation/ModuleScan.h"
#include "vb_runtime/CodePage.h"

namespace testing_support {

inline std::string ScanDifference(const scan::ModuleScan& a, const scan::ModuleScan& b) {
    auto differ = [](const std::string& what, size_t index) { return what + " " + std::to_string(index); };
    if (a.lineBreak != b.lineBreak) return "line break";
    if (a.lineCount != b.lineCount) return "line count of the text";
    if (a.headers.size() != b.headers.size()) return "header count";
    for (size_t i = 0; i < a.headers.size(); ++i) {
        const scan::ProcedureHeader& x = a.headers[i];
        const scan::ProcedureHeader& y = b.headers[i];
        if (x.line != y.line || x.lastLine != y.lastLine || x.attributeEnd != y.attributeEnd) return differ("header lines", i);
        if (x.kind != y.kind || x.name != y.name || x.parameters != y.parameters) {
            return differ("header values", i) + ": " + vb::ToUtf8(x.name) + "(" + vb::ToUtf8(x.parameters) + ") vs " +
                   vb::ToUtf8(y.name) + "(" + vb::ToUtf8(y.parameters) + ")";
        }
    }
    if (a.procedures.size() != b.procedures.size()) return "procedure count";
    for (size_t i = 0; i < a.procedures.size(); ++i) {
        const scan::Procedure& x = a.procedures[i];
        const scan::Procedure& y = b.procedures[i];
        if (x.firstHeader != y.firstHeader || x.headerCount != y.headerCount || x.hasEndLine != y.hasEndLine ||
            x.endLine != y.endLine) {
            return differ("procedure", i);
        }
    }
    if (a.lines.size() != b.lines.size()) return "line count";
    for (size_t i = 0; i < a.lines.size(); ++i) {
        const scan::LineSpan& x = a.lines[i];
        const scan::LineSpan& y = b.lines[i];
        if (x.start != y.start || x.end != y.end || x.continuedOnto != y.continuedOnto) return differ("line", i);
    }
    if (a.sites.size() != b.sites.size()) return "site count";
    for (size_t i = 0; i < a.sites.size(); ++i) {
        const scan::BlockSite& x = a.sites[i];
        const scan::BlockSite& y = b.sites[i];
        if (x.kind != y.kind || x.line != y.line || x.header != y.header) return differ("site place", i);
        if (x.state != y.state || x.refusal != y.refusal || x.detail != y.detail || x.refusalLine != y.refusalLine) {
            return differ("site state", i);
        }
        if (x.insertAt != y.insertAt || x.from != y.from || x.to != y.to || x.firstLine != y.firstLine) {
            return differ("site offsets", i);
        }
        if (x.state != scan::BlockState::Missing) continue;
        Text fromA;
        Text fromB;
        a.AppendInsertion(x, fromA);
        b.AppendInsertion(y, fromB);
        if (fromA != fromB) return differ("insertion", i);
    }
    return {};
}

}  // namespace testing_support
