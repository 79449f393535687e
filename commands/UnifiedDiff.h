// A unified diff of one file, computed from the edits that produce its new
// bytes rather than by comparing the two versions: linear in the file's
// size. Lines are what patch and git apply take for lines (ending in LF,
// a CR before it belonging to the line), in the file's own bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/ModuleProcessing.h"

namespace run {

/// What a diff does to its file: a new file comes from /dev/null, a
/// deleted one goes to it, as git apply and patch expect.
enum class FileChange { Modified, Created, Deleted };

/// The diff that turns `oldBytes` into `oldBytes` with `edits` made (in
/// order, not overlapping): "--- a/LABEL" and "+++ b/LABEL" (quoted as git
/// quotes them, see GitQuotedPath.h; "/dev/null" for the side a created or
/// deleted file lacks), then hunks with three lines of context; "\ No
/// newline at end of file" where a last line has no line break. Empty when
/// the edits change nothing.
std::string UnifiedDiff(std::string_view oldBytes, const std::vector<ByteEdit>& edits, const std::string& label,
                        FileChange change = FileChange::Modified);

/// The single edit that turns `oldBytes` into `newBytes`: everything
/// between their common beginning and their common end. For a file whose
/// edits are not known step by step (one named twice in a project).
std::vector<ByteEdit> EditBetween(std::string_view oldBytes, std::string_view newBytes);

}  // namespace run
