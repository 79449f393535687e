// `trapwright check PROJECT.vbp|SOURCE...`: names every procedure without
// its error handler; writes nothing. Made for CI jobs and pre-commit hooks.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/SourceRun.h"

namespace cli {

/// Registers the command and its options on `app`.
CLI::App* AddCheckCommand(CLI::App& app, SourceRunOptions& options);

/// Runs the command; returns its exit status.
int RunCheck(const SourceRunOptions& options);

}  // namespace cli
