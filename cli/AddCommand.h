// `trapwright add PROJECT.vbp`: the error handlers inserted into every source
// file of a project, each file rewritten in place.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace cli {

struct AddOptions {
    std::string project;
    std::string beginFile;
    std::string endFile;
    int32_t codePage = 0;
    bool backup = false;
};

/// Registers the command and its options on `app`.
CLI::App* AddAddCommand(CLI::App& app, AddOptions& options);

/// Runs the command; returns its exit status.
int RunAdd(const AddOptions& options);

}  // namespace cli
