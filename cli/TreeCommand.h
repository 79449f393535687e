// `trapwright tree PROJECT.vbp`: the project tree as the desktop application
// shows it, one node per line.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace cli {

struct TreeOptions {
    std::string project;
    int32_t codePage = 0;
    bool quiet = false;  ///< accepted as by every command; the output is all findings
};

/// Registers the command and its options on `app`.
CLI::App* AddTreeCommand(CLI::App& app, TreeOptions& options);

/// Runs the command; returns its exit status.
int RunTree(const TreeOptions& options);

}  // namespace cli
