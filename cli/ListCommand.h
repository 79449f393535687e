// `trapwright list PROJECT.vbp`: the object list and the variable list of a
// project, one tab-separated line per entry.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace cli {

struct ListOptions {
    std::string project;
    int32_t codePage = 0;
    bool quiet = false;  ///< accepted as by every command; the output is all findings
};

/// Registers the command and its options on `app`.
CLI::App* AddListCommand(CLI::App& app, ListOptions& options);

/// Runs the command; returns its exit status.
int RunList(const ListOptions& options);

}  // namespace cli
