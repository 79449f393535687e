// The identity of a file, so that two paths that differ in letter case,
// separators or "..\" steps are known to name the same file.
#pragma once

#include <filesystem>

#include "vb_runtime/Text.h"

namespace run {

/// The file's canonical path (letter case folded on Windows); for a path
/// that does not exist, its absolute, normalised form.
std::filesystem::path FileIdentity(const Text& path);

}  // namespace run
