// `trapwright add PROJECT.vbp [--begin FILE] [--end FILE] [--codepage N]
//  [--backup] [--skip-handled] [--dry-run [--diff]]`
//
// Progress and the summary go to stderr; the completion message alone goes
// to stdout (a diff instead, with --dry-run --diff), and only when the
// blocks use names that no file declares, which a warning names.
// --with-runtime (or the policy's `runtime = true`) also writes the runtime
// module into each project that does not list it. Exit 0 when every
// listed, existing file was processed (missing files are skipped and named),
// 1 on any error, 2 on usage.
#include "cli/AddCommand.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "cli/RuntimeCommand.h"
#include "commands/AddErrorHandlerRun.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

CLI::App* AddAddCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command = app.add_subcommand("add", "Insert the error handlers into every source file of a project");
    command->add_option("PROJECT", options.inputs, "The VB6 project file (.vbp) or project group (.vbg)")
        ->required()
        ->expected(1);
    AddTemplateOptions(*command, options);
    AddPolicyOptions(*command, options);
    AddWriteOptions(*command, options, true);
    AddWithRuntimeOption(*command, options,
                         "Write modDebugErr.bas into each project that does not list it, and list it there");
    return command;
}

int RunAdd(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const RunInputs inputs = OpenInputs(options.inputs);
    if (inputs.projectFiles.empty()) throw UsageError("add takes a project file (.vbp) or a project group (.vbg)");
    run::RuntimeRun runtime = RuntimeRunFor(inputs, run::Operation::Add, options);
    RunReporting reporting;
    reporting.extension = &runtime;
    const run::RunResult result = Execute(inputs, run::Operation::Add, options, reporting);
    if (!result.Succeeded()) return ExitFailure;

    if (!options.quiet) {
        std::cerr << "files processed: " << result.counts.filesProcessed
                  << "; procedures given a handler: " << result.counts.blocksInserted;
        if (options.skipHandled) std::cerr << "; procedures already handled: " << result.counts.alreadyHandled;
        std::cerr << SkippedCounts(result);
    }
    if (!options.quiet) {
        for (const Text& module : runtime.ModulesAdded()) {
            std::cerr << (options.dryRun ? "runtime module to be written: " : "runtime module written: ")
                      << vb::DisplayPath(module) << "\n";
        }
    }
    ReportDryRun(options, result);
    // A project whose blocks call what nothing declares does not build: the
    // warning, and the reminder of the completion message, say so.
    const std::string warning = UndeclaredNamesMessage(runtime);
    if (warning.empty()) return ExitSuccess;
    WarnOfUndeclaredNames(inputs, warning);
    if (options.dryRun || options.quiet) return ExitSuccess;
    UseBinaryStdout();
    std::cout << addrun::CompletionMessage << "\n" << std::flush;
    return ExitSuccess;
}

}  // namespace cli
