// Helpers for the test suites: scratch folders, files as bytes, and running
// the built command line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "vb_runtime/Text.h"

namespace testing_support {

/// A fresh folder under the system's temporary folder, removed at the end.
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
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

/// A file system path as the Text the classes take.
Text PathText(const std::filesystem::path& path);

/// Joins lines with CR LF between them (no terminator after the last).
std::string CrLfLines(const std::vector<std::string>& lines);

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

/// Runs the built `trapwright` with the arguments (each quoted for the shell).
CommandResult RunCli(const std::vector<std::string>& arguments);

/// A test data file under tests/data.
std::filesystem::path DataFile(const std::string& name);

}  // namespace testing_support
