// Helpers for every test suite, native and Windows: scratch folders and
// files as bytes.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "vb_runtime/Text.h"

namespace testing_support {

/// A fresh folder under the system's temporary folder, removed at the end
/// (read-only entries included).
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// The path of `name` inside the folder.
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);
/// Writes the file, creating its folder if needed.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

/// Every regular file below the folder, by its path relative to it, with its bytes.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder);

/// A file system path as the Text the classes take.
Text PathText(const std::filesystem::path& path);

/// Joins lines with CR LF between them (no terminator after the last).
std::string CrLfLines(const std::vector<std::string>& lines);

}  // namespace testing_support
