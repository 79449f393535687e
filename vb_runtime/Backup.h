// Backup copies of files before they are rewritten.
#pragma once

#include <string_view>

#include "vb_runtime/Text.h"

namespace vb {

/// The first name of FILE.bak, FILE.bak.1, FILE.bak.2, … at which nothing
/// exists yet.
Text FreeBackupName(const Text& path);

/// Writes `originalBytes` (the file's content before its first change) to
/// FreeBackupName(path), never over an existing file, and returns that name.
/// Throws VbError when the copy cannot be written.
Text WriteBackup(const Text& path, std::string_view originalBytes);

}  // namespace vb
