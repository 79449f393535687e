// The module scan over the plain line source.
#include "source_transformation/ReferenceScan.h"

#include "source_transformation/PlainLines.h"
#include "source_transformation/ProcedureWalk.h"
#include "vb_runtime/LineBreak.h"

namespace scan {

ModuleScan ReferenceScan(vb::TextView text, const TemplateChoice& templates, const ScanOptions& options) {
    const vb::TextView lineBreak = options.lineBreak.empty() ? vb::DetectLineBreak(text) : options.lineBreak;
    DeclaredNames own;
    if (options.declared == nullptr) AddDeclarationsOf(text, own);
    PlainLines lines(text, lineBreak);
    ModuleScan result =
        WalkProcedures(lines, lineBreak, templates, options, options.declared != nullptr ? *options.declared : own, 0);
    if (options.keepLines) lines.AppendSpans(result.lines);
    return result;
}

}  // namespace scan
