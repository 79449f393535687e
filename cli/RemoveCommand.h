// `trapwright remove PROJECT.vbp|SOURCE...`: the blocks that stand taken out
// again, each file rewritten in place.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/SourceRun.h"

namespace cli {

/// Registers the command and its options on `app`.
CLI::App* AddRemoveCommand(CLI::App& app, SourceRunOptions& options);

/// Runs the command; returns its exit status.
int RunRemove(const SourceRunOptions& options);

}  // namespace cli
