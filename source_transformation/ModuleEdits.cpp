// Turning scan sites into edits, and applying edits.
#include "source_transformation/ModuleEdits.h"

namespace scan {

std::vector<TextEdit> InsertionEdits(const ModuleScan& scan) {
    std::vector<TextEdit> edits;
    for (const BlockSite& site : scan.sites) {
        if (site.state == BlockState::Missing) edits.push_back(TextEdit{site.insertAt, 0, site.insertion});
    }
    return edits;
}

std::vector<TextEdit> RemovalEdits(const ModuleScan& scan) {
    std::vector<TextEdit> edits;
    for (const BlockSite& site : scan.sites) {
        if (site.state == BlockState::Standing) edits.push_back(TextEdit{site.from, site.to - site.from, Text()});
    }
    return edits;
}

Text ApplyEdits(vb::TextView text, const std::vector<TextEdit>& edits) {
    size_t size = text.size();
    for (const TextEdit& edit : edits) size += edit.inserted.size() - edit.removed;
    Text result;
    result.reserve(size);
    size_t kept = 0;
    for (const TextEdit& edit : edits) {
        result.append(text.substr(kept, edit.offset - kept));
        result.append(edit.inserted);
        kept = edit.offset + edit.removed;
    }
    result.append(text.substr(kept));
    return result;
}

}  // namespace scan
