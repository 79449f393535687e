// `trapwright add PROJECT.vbp`: the error handlers inserted into every source
// file of a project, each file rewritten in place.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/SourceRun.h"

namespace cli {

/// Registers the command and its options on `app`.
CLI::App* AddAddCommand(CLI::App& app, SourceRunOptions& options);

/// Runs the command; returns its exit status. Throws VbError or UsageError
/// for what stops it before the run.
int RunAdd(const SourceRunOptions& options);

}  // namespace cli
