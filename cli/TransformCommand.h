// `trapwright transform SOURCE`: the run of `add` on one source file,
// written back in place or to another file.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/SourceRun.h"

namespace cli {

/// Registers the command and its options on `app`.
CLI::App* AddTransformCommand(CLI::App& app, SourceRunOptions& options);

/// Runs the command; returns its exit status.
int RunTransform(const SourceRunOptions& options);

}  // namespace cli
