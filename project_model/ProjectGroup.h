// A project group file (.vbg): the projects it names, in its order.
#pragma once

#include <vector>

#include "vb_runtime/Text.h"

namespace group {

/// The projects of the group file: its StartupProject= and Project= lines
/// (keys without regard to case), each value taken relative to the group
/// file's folder, in file order; a project named twice is listed once.
/// Throws VbError when the file cannot be read; a missing file is VbError 53.
std::vector<Text> ReadProjectGroup(const Text& strFileName);

}  // namespace group
