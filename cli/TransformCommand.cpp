// `trapwright transform SOURCE [--output FILE] [--begin FILE] [--end FILE] [--codepage N] [--backup]`
#include "cli/TransformCommand.h"

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "source_transformation/clsVBParser.h"
#include "commands/DefaultTemplates.h"
#include "vb_runtime/Backup.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

CLI::App* AddTransformCommand(CLI::App& app, TransformOptions& options) {
    CLI::App* command = app.add_subcommand("transform", "Insert the error handlers into one source file");
    command->add_option("SOURCE", options.source, "The VB6 source file (.bas, .cls, .frm, .ctl)")->required();
    command->add_option("--output", options.output, "Write the result here instead of over SOURCE");
    command->add_option("--begin", options.beginFile, "Begin template file (default: the built-in template)");
    command->add_option("--end", options.endFile, "End template file (default: empty, no end blocks)");
    AddCodePageOption(*command, options.codePage);
    command->add_flag("--backup", options.backup, "Keep the original bytes of the file written as FILE.bak (or .bak.1, ...)");
    return command;
}

int RunTransform(const TransformOptions& options) {
    if (!ApplyCodePage(options.codePage)) return ExitUsage;
    const Text source = ArgumentText(options.source);
    const Text output = options.output.empty() ? source : ArgumentText(options.output);
    Text begin;
    Text end;
    try {
        begin = ReadTemplate(options.beginFile, templates::DefaultBeginTemplate());
        end = ReadTemplate(options.endFile, templates::DefaultEndTemplate());
    } catch (const vb::VbError& error) {
        ReportError(error);
        return ExitFailure;
    }
    try {
        // Unlike LoadCode, which ignores a missing file, there is no earlier
        // text to fall back on here.
        RequireOrdinaryFile(source);
        clsVBParser parser;
        parser.LoadCode(source);
        if (parser.CodeInput().find(u'\0') != Text::npos) WarnAboutNulBytes(source);
        parser.AddErrorHandler(begin, end);
        if (options.backup && vb::IsOrdinaryFile(output)) vb::WriteBackup(output, vb::ReadFileBytes(output));
        parser.SaveCode(output);
    } catch (const vb::VbError& error) {
        ReportError(error, source);
        return ExitFailure;
    }
    return ExitSuccess;
}

}  // namespace cli
