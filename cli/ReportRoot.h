// The folder that the paths in diffs and SARIF logs start from, so that
// git apply, patch -p1 and code-review tools find the files from it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "vb_runtime/Text.h"

namespace cli {

class ReportRoot {
public:
    /// The top folder of the git work tree (the folder with ".git") that
    /// holds `anchor`, the project or group file or the first named source,
    /// when it holds every one of `files` too; otherwise the deepest folder
    /// that holds `anchor` and all of `files`. Paths are taken as the file
    /// system finds them (ReportPath), relative ones from the current folder.
    ReportRoot(const Text& anchor, const std::vector<Text>& files);

    /// The folder: absolute, normalised, without a final separator.
    const std::filesystem::path& Folder() const { return folder_; }

    /// The folder for messages, with "/" between its parts on POSIX.
    std::string Shown() const;

    /// `file` relative to the folder, in UTF-8 with "/" between its parts;
    /// nothing when it does not lie below the folder (another drive).
    std::optional<std::string> Relative(const Text& file) const;

    /// A path as an absolute, normalised std::filesystem::path.
    static std::filesystem::path AbsolutePath(const Text& file);

    /// A path in UTF-8 with "/" between its parts.
    static std::string GenericUtf8(const std::filesystem::path& path);

private:
    std::filesystem::path folder_;
};

}  // namespace cli
