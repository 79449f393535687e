// `trapwright add PROJECT.vbp [--begin FILE] [--end FILE] [--codepage N]
//  [--backup] [--skip-handled] [--dry-run [--diff]]`
//
// Progress and the summary go to stderr; the completion message alone goes
// to stdout (a diff instead, with --dry-run --diff). Exit 0 when every
// listed, existing file was processed (missing files are skipped and named),
// 1 on any error, 2 on usage.
#include "cli/AddCommand.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "commands/AddErrorHandlerRun.h"

namespace cli {

CLI::App* AddAddCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command = app.add_subcommand("add", "Insert the error handlers into every source file of a project");
    command->add_option("PROJECT", options.inputs, "The VB6 project file (.vbp) or project group (.vbg)")
        ->required()
        ->expected(1);
    AddTemplateOptions(*command, options);
    AddPolicyOptions(*command, options);
    AddWriteOptions(*command, options, true);
    return command;
}

int RunAdd(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const RunInputs inputs = OpenInputs(options.inputs);
    if (inputs.projectFiles.empty()) throw UsageError("add takes a project file (.vbp) or a project group (.vbg)");
    const run::RunResult result = Execute(inputs, run::Operation::Add, options);
    if (!result.Succeeded()) return ExitFailure;

    if (!options.quiet) {
        std::cerr << "files processed: " << result.filesProcessed
                  << "; procedures given a handler: " << result.procedures;
        if (options.skipHandled) std::cerr << "; procedures already handled: " << result.alreadyHandled;
        std::cerr << SkippedCounts(result);
    }
    ReportDryRun(options, result);
    if (options.dryRun || options.quiet) return ExitSuccess;
    UseBinaryStdout();
    std::cout << addrun::CompletionMessage << "\n" << std::flush;
    return ExitSuccess;
}

}  // namespace cli
