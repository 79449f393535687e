// `trapwright transform SOURCE [--output FILE] [--begin FILE] [--end FILE]
//  [--codepage N] [--backup] [--skip-handled] [--dry-run [--diff]]`
//
// Silent on success (a diff on stdout with --dry-run --diff). Exit 0 on
// success, 1 on an error, 2 on usage.
#include "cli/TransformCommand.h"

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

CLI::App* AddTransformCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command = app.add_subcommand("transform", "Insert the error handlers into one source file");
    command->add_option("SOURCE", options.inputs, "The VB6 source file (.bas, .cls, .frm, .ctl, .pag, .dob)")
        ->required()
        ->expected(1);
    command->add_option("--output", options.output, "Write the result here instead of over SOURCE")->type_name("FILE");
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
    inputs.diffFolder = vb::FolderPart(source);
    inputs.anchor = source;
    RunReporting reporting;
    reporting.progressLines = false;
    reporting.sayWhatWasWritten = false;  // one file: written, or not
    return Execute(inputs, run::Operation::Add, options, reporting).Succeeded() ? ExitSuccess : ExitFailure;
}

}  // namespace cli
