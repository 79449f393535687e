// Edits of a module's text, as data: replacements of a range by new text,
// sorted by position. The scan's sites turn into insertions (add) or
// removals (remove); applying them is a single pass over the text.
#pragma once

#include <cstddef>
#include <vector>

#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

struct TextEdit {
    size_t offset = 0;   ///< where the replaced range starts
    size_t removed = 0;  ///< how many units it holds
    Text inserted;       ///< what takes its place
};

/// The insertions of every site without a block (Missing).
std::vector<TextEdit> InsertionEdits(const ModuleScan& scan);

/// The removals of every block that stands (Standing).
std::vector<TextEdit> RemovalEdits(const ModuleScan& scan);

/// The text with the edits made. Edits are in text order and do not
/// overlap; edits at the same offset are made in list order.
Text ApplyEdits(vb::TextView text, const std::vector<TextEdit>& edits);

}  // namespace scan
