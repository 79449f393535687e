// `trapwright transform`: one source file through LoadCode, AddErrorHandler
// and SaveCode.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace cli {

struct TransformOptions {
    std::string source;
    std::string output;
    std::string beginFile;
    std::string endFile;
    int32_t codePage = 0;
    bool backup = false;
};

/// Registers the command and its options on `app`.
CLI::App* AddTransformCommand(CLI::App& app, TransformOptions& options);

/// Runs the command; returns its exit status.
int RunTransform(const TransformOptions& options);

}  // namespace cli
