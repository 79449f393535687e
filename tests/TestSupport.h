// Helpers for the native test suites: running the built command line and
// finding test data (scratch folders and files come from TestFiles.h).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace testing_support {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

/// Runs the built `trapwright` with the arguments (each quoted for the shell).
CommandResult RunCli(const std::vector<std::string>& arguments);
/// The same with a command put before it ("setpriv … ", say), which ends in a blank.
CommandResult RunCliAs(const std::string& prefix, const std::vector<std::string>& arguments);

/// A test data file under tests/data.
std::filesystem::path DataFile(const std::string& name);

}  // namespace testing_support
