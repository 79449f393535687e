// The module scan over the fast line source, in both forms of text.
#include "source_transformation/ModuleScan.h"

#include <string_view>

#include "source_transformation/FastLines.h"
#include "source_transformation/ProcedureWalk.h"
#include "vb_runtime/LineBreak.h"

namespace scan {

namespace {

template <typename Unit>
ModuleScan Scan(UnitView<Unit> text, const Units<Unit>& units, const TemplateChoice& templates,
                const ScanOptions& options, const DeclaredNames& declared) {
    const vb::TextView lineBreak = options.lineBreak.empty() ? vb::DetectLineBreak(text) : options.lineBreak;
    FastLines<Unit> lines(text, lineBreak, units, options.classifyAhead);
    ModuleScan result = WalkProcedures(lines, lineBreak, templates, options, declared, text.size());
    if (options.keepLines) lines.AppendSpans(result.lines);
    return result;
}

}  // namespace

void ModuleScan::AppendInsertion(const BlockSite& site, Text& out) const {
    static const ProcedureHeader noHeader;
    const ProcedureHeader& values = site.header >= 0 ? headers[static_cast<size_t>(site.header)] : noHeader;
    if (site.kind == BlockSite::Kind::Begin) {
        out.append(lineBreak).append(lineBreak);
        site.blockTemplate->AppendExpansion(values, site.line, out);
    } else {
        site.blockTemplate->AppendExpansion(values, site.line, out);
        out.append(lineBreak);
    }
}

ModuleScan ScanModule(vb::TextView text, const TemplateChoice& templates, const ScanOptions& options) {
    DeclaredNames own;
    if (options.declared == nullptr) AddDeclarationsOf(text, own);
    return Scan<char16_t>(text, kTextUnits, templates, options, options.declared != nullptr ? *options.declared : own);
}

ModuleScan ScanModuleBytes(std::string_view bytes, int32_t codePage, const TemplateChoice& templates,
                           const ScanOptions& options) {
    DeclaredNames own;
    if (options.declared == nullptr) AddDeclarationsOfBytes(bytes, codePage, true, own);
    return Scan<char>(bytes, Units<char>(codePage), templates, options,
                      options.declared != nullptr ? *options.declared : own);
}

}  // namespace scan
