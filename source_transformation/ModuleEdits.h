// Edits of a module's text, as data: replacements of a range by new text,
// in text order. The scan's sites turn into insertions (add) or removals
// (remove); applying them is a single pass over the text.
#pragma once

#include <cstddef>

#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

struct TextEdit {
    size_t offset = 0;       ///< where the replaced range starts
    size_t removed = 0;      ///< how many units it holds
    vb::TextView inserted;   ///< what takes its place (valid during the visit)
};

enum class EditKind {
    Insertions,  ///< a block at every site without one (Missing)
    Removals,    ///< out with every block that stands, where it belongs or where earlier versions put it
};

/// Calls `visit(const TextEdit&)` for each edit of the kind, in text order.
/// An insertion's text is made just before its visit, in one buffer that
/// the next insertion reuses.
template <class Visit>
void ForEachEdit(const ModuleScan& scan, EditKind kind, Visit&& visit) {
    Text insertion;
    for (const BlockSite& site : scan.sites) {
        if (kind == EditKind::Insertions && site.state == BlockState::Missing) {
            insertion.clear();
            scan.AppendInsertion(site, insertion);
            visit(TextEdit{site.insertAt, 0, insertion});
        } else if (kind == EditKind::Removals &&
                   (site.state == BlockState::Standing || site.state == BlockState::OldPlace)) {
            visit(TextEdit{site.from, site.to - site.from, vb::TextView()});
        }
    }
}

/// The text with the edits of the kind made.
Text ApplyEdits(vb::TextView text, const ModuleScan& scan, EditKind kind);

}  // namespace scan
