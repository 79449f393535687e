// `trapwright runtime [--output FILE] [--codepage N]`: the runtime module
// modDebugErr, which the built-in template's blocks call; and what add,
// remove and check say about it.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "cli/SourceRun.h"
#include "commands/RuntimeRun.h"

namespace cli {

struct RuntimeOptions {
    std::string output;
    int32_t codePage = 0;
};

/// Registers the command and its options on `app`.
CLI::App* AddRuntimeCommand(CLI::App& app, RuntimeOptions& options);

/// Writes the module, with CR LF line breaks and in the code page, to the
/// output file or to stdout. Returns the exit status; throws VbError or
/// UsageError.
int RunRuntime(const RuntimeOptions& options);

/// `--with-runtime` of add and remove.
void AddWithRuntimeOption(CLI::App& command, SourceRunOptions& options, const char* help);

/// The runtime module's part of a run of `operation` over the inputs.
/// Throws UsageError for a module file that stands unlisted where add is
/// to write one.
run::RuntimeRun RuntimeRunFor(const RunInputs& inputs, run::Operation operation, const SourceRunOptions& options);

/// What a run says of the names the blocks use that no file declares
/// ("the blocks use ErrorIn, HandleError and EA_NORERAISE, which no source
/// file declares; add --with-runtime writes a module that does"); empty
/// when there are none.
std::string UndeclaredNamesMessage(const run::RuntimeRun& runtime);

/// Where that message is said to be: the project or group file, else the
/// first file of the run.
Text UndeclaredNamesPlace(const RunInputs& inputs);

/// Prints the message on stderr as "PLACE: MESSAGE" (a named file's run
/// says "trapwright: MESSAGE"); nothing when it is empty.
void WarnOfUndeclaredNames(const RunInputs& inputs, const std::string& message);

}  // namespace cli
