// Edits of a module's text, as data: replacements of a range by new text,
// in text order. The scan's sites turn into insertions (add) or removals
// (remove); applying them is a single pass over the text.
#pragma once

#include <cstddef>

#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

struct TextEdit {
    size_t offset = 0;   ///< where the replaced range starts
    size_t removed = 0;  ///< how many units it holds
    Text inserted;       ///< what takes its place
};

enum class EditKind {
    Insertions,  ///< a block at every site without one (Missing)
    Removals,    ///< out with every block that stands (Standing)
};

/// Calls `visit(const TextEdit&)` for each edit of the kind, in text order.
/// An insertion's text is made just before its visit.
template <class Visit>
void ForEachEdit(const ModuleScan& scan, EditKind kind, Visit&& visit) {
    for (const BlockSite& site : scan.sites) {
        if (kind == EditKind::Insertions && site.state == BlockState::Missing) {
            visit(TextEdit{site.insertAt, 0, scan.Insertion(site)});
        } else if (kind == EditKind::Removals && site.state == BlockState::Standing) {
            visit(TextEdit{site.from, site.to - site.from, Text()});
        }
    }
}

/// The text with the edits of the kind made.
Text ApplyEdits(vb::TextView text, const ModuleScan& scan, EditKind kind);

}  // namespace scan
