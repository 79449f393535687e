// `trapwright remove PROJECT.vbp|SOURCE... [--begin FILE] [--end FILE]
//  [--codepage N] [--backup] [--dry-run [--diff]]`
//
// Takes out exactly the blocks of the templates that stand: the empty line
// and the begin block under each header, and the end block above each
// flagged line. A block edited by hand is left and named. --with-runtime
// also takes out the runtime module and its project line. Everything is
// checked before the first write. Exit 0 when every block came out, 1 when
// one was left in place or on an error, 2 on usage.
#include "cli/RemoveCommand.h"

#include <iostream>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "cli/RuntimeCommand.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

CLI::App* AddRemoveCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command =
        app.add_subcommand("remove", "Take the error handlers of the templates out of a project's or the named files");
    command->add_option("PROJECT|SOURCE", options.inputs, "A VB6 project file (.vbp) or project group (.vbg), or source files")->required();
    AddTemplateOptions(*command, options);
    AddPolicyOptions(*command, options);
    AddWriteOptions(*command, options, false);
    AddWithRuntimeOption(*command, options,
                         "Also take out modDebugErr.bas and its project line, where the file is what runtime writes");
    return command;
}

int RunRemove(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const RunInputs inputs = OpenInputs(options.inputs);
    run::RuntimeRun runtime = RuntimeRunFor(inputs, run::Operation::Remove, options);
    RunReporting reporting;
    reporting.extension = &runtime;
    const run::RunResult result = Execute(inputs, run::Operation::Remove, options, reporting);
    if (!result.Succeeded()) return ExitFailure;
    for (const run::ModuleLeft& module : runtime.ModulesLeft()) {
        std::cerr << ReportPath(module.path) << ": " << module.reason << "\n";
    }
    if (!options.quiet) {
        for (const Text& module : runtime.ModulesRemoved()) {
            std::cerr << (options.dryRun ? "runtime module to be deleted: " : "runtime module deleted: ")
                      << vb::DisplayPath(module) << "\n";
        }
    }

    size_t left = 0;  // blocks that look edited by hand
    for (const run::FileNote& note : result.notes) left += note.note.kind == run::LineNote::Kind::EditedBlock ? 1 : 0;
    if (!options.quiet) {
        std::cerr << "files processed: " << result.counts.filesProcessed << "; blocks removed: " << result.counts.blocksRemoved
                  << "; end blocks removed: " << result.counts.endBlocksRemoved << "; blocks left as they are: " << left
                  << SkippedCounts(result);
    }
    ReportDryRun(options, result);
    return left == 0 && runtime.ModulesLeft().empty() ? ExitSuccess : ExitFailure;
}

}  // namespace cli
