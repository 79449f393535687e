// Applying a scan's edits.
#include "source_transformation/ModuleEdits.h"

namespace scan {

Text ApplyEdits(vb::TextView text, const ModuleScan& scan, EditKind kind) {
    size_t size = text.size();
    for (const BlockSite& site : scan.sites) {
        if (kind == EditKind::Insertions && site.state == BlockState::Missing) size += site.blockTemplate->SizeEstimate();
    }
    Text result;
    result.reserve(size);
    size_t kept = 0;
    ForEachEdit(scan, kind, [&](const TextEdit& edit) {
        result.append(text.substr(kept, edit.offset - kept));
        result.append(edit.inserted);
        kept = edit.offset + edit.removed;
    });
    result.append(text.substr(kept));
    return result;
}

}  // namespace scan
