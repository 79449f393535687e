// `trapwright transform SOURCE [--output FILE] [--begin FILE] [--end FILE]
//  [--codepage N] [--backup] [--skip-handled] [--dry-run [--diff]]`
//
// Silent on success (a diff on stdout with --dry-run --diff). Exit 0 on
// success, 1 on an error, 2 on usage.
#include "cli/TransformCommand.h"

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"

namespace cli {

namespace {

// The folder part of a path: up to and including its last "\" or "/".
Text FolderOf(const Text& path) {
    const size_t separator = path.find_last_of(u"\\/");
    return separator == Text::npos ? Text() : path.substr(0, separator + 1);
}

}  // namespace

CLI::App* AddTransformCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command = app.add_subcommand("transform", "Insert the error handlers into one source file");
    command->add_option("SOURCE", options.inputs, "The VB6 source file (.bas, .cls, .frm, .ctl)")
        ->required()
        ->expected(1);
    command->add_option("--output", options.output, "Write the result here instead of over SOURCE");
    AddTemplateOptions(*command, options);
    AddPolicyOptions(*command, options);
    AddWriteOptions(*command, options, true);
    return command;
}

int RunTransform(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    RunInputs inputs;
    const Text source = ArgumentText(options.inputs.front());
    inputs.sources = run::NamedSources({source});
    inputs.diffFolder = FolderOf(source);
    run::RunRequest request;
    request.operation = run::Operation::Add;
    ProgressReport progress(false, false);
    const run::RunPlan plan = Execute(inputs, request, options, progress);
    ReportProblems(plan.result, false);
    return plan.result.Succeeded() ? ExitSuccess : ExitFailure;
}

}  // namespace cli
