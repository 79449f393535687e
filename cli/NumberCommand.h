// `trapwright number`, `trapwright unnumber` and `trapwright where`: line
// numbers for Erl, put in at build time and taken out again, and the map
// from a logged number back to its line.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "cli/SourceRun.h"

namespace cli {

CLI::App* AddNumberCommand(CLI::App& app, SourceRunOptions& options);
int RunNumber(const SourceRunOptions& options);

CLI::App* AddUnnumberCommand(CLI::App& app, SourceRunOptions& options);
int RunUnnumber(const SourceRunOptions& options);

struct WhereOptions {
    std::string map;
    std::string path;
    std::string procedure;
    int64_t number = 0;
    std::string root;  ///< the project's folder, where the map's paths start; default: the current folder
    int32_t codePage = 0;
};

CLI::App* AddWhereCommand(CLI::App& app, WhereOptions& options);
int RunWhere(const WhereOptions& options);

}  // namespace cli
