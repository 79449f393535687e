// The folder reports place their paths from.
#include "cli/ReportRoot.h"

#include <system_error>

#include "cli/CommandSupport.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

fs::path FsPath(const std::string& utf8) {
#ifdef _WIN32
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return fs::path(utf8);
#endif
}

bool Holds(const fs::path& folder, const fs::path& file) {
    const fs::path relative = file.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

// The nearest folder at or above `folder` that holds ".git" (a folder, or
// a file in a linked work tree or a submodule).
std::optional<fs::path> GitWorkTreeTop(fs::path folder) {
    std::error_code error;
    for (;;) {
        if (fs::exists(folder / ".git", error)) return folder;
        const fs::path parent = folder.parent_path();
        if (parent == folder || parent.empty()) return std::nullopt;
        folder = parent;
    }
}

// `folder` without a final separator (but "/" or "C:\" stay as they are).
fs::path WithoutFinalSeparator(fs::path folder) {
    if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
    return folder;
}

}  // namespace

ReportRoot::ReportRoot(const Text& anchor, const std::vector<Text>& files) {
    const fs::path anchorFolder = WithoutFinalSeparator(AbsolutePath(anchor).parent_path());
    std::vector<fs::path> absolute;
    for (const Text& file : files) absolute.push_back(AbsolutePath(file));
    const std::optional<fs::path> top = GitWorkTreeTop(anchorFolder);
    bool holdsAll = top.has_value();
    for (const fs::path& file : absolute) holdsAll = holdsAll && Holds(*top, file);
    if (holdsAll) {
        folder_ = *top;
        return;
    }
    folder_ = anchorFolder;
    for (const fs::path& file : absolute) {
        while (!Holds(folder_, file) && folder_.has_relative_path()) folder_ = folder_.parent_path();
    }
}

std::string ReportRoot::Shown() const { return GenericUtf8(folder_); }

std::optional<std::string> ReportRoot::Relative(const Text& file) const {
    const fs::path absolute = AbsolutePath(file);
    if (!Holds(folder_, absolute)) return std::nullopt;
    return GenericUtf8(absolute.lexically_relative(folder_));
}

fs::path ReportRoot::AbsolutePath(const Text& file) {
    std::error_code error;
    const fs::path path = FsPath(ReportPath(file));
    const fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

std::string ReportRoot::GenericUtf8(const fs::path& path) {
#ifdef _WIN32
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
#else
    return path.generic_string();
#endif
}

}  // namespace cli
