// `trapwright check PROJECT.vbp|SOURCE... [--begin FILE] [--end FILE] [--codepage N]
//  [--format text|sarif] [--quiet]`
//
// stdout: "PATH:LINE: NAME has no error handler" for each recognised header
// under which no block of the template stands (LINE 1-based), the form
// editors and CI annotators read; with --format sarif a SARIF 2.1.0 log of
// the same findings instead. stderr: a summary (none with --quiet). Exit 0
// when every procedure has its block, 1 when some do not, 2 on a usage or
// processing error, whatever the format.
#include "cli/CheckCommand.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "cli/RuntimeCommand.h"
#include "cli/SarifReport.h"
#include "vb_runtime/CodePage.h"

namespace cli {

namespace {

// What fails a check: a procedure without its block, or with it where an
// earlier version put it. Procedures left as they are go to stderr.
bool IsFinding(const run::LineNote& note) {
    return note.kind == run::LineNote::Kind::NoHandler || note.kind == run::LineNote::Kind::OldPlace;
}

size_t FindingCount(const run::RunResult& result) {
    size_t findings = 0;
    for (const run::FileNote& note : result.notes) findings += IsFinding(note.note) ? 1 : 0;
    return findings;
}

std::string TextFindings(const run::RunResult& result) {
    std::string out;
    for (const run::FileNote& note : result.notes) {
        if (!IsFinding(note.note)) continue;
        out += ReportPath(note.path) + ":" + std::to_string(note.note.line) + ": " + run::NoteMessage(note.note) + "\n";
    }
    return out;
}

}  // namespace

CLI::App* AddCheckCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command = app.add_subcommand("check", "Name every procedure without its error handler; write nothing");
    command->add_option("PROJECT|SOURCE", options.inputs, "A VB6 project file (.vbp) or project group (.vbg), or source files")->required();
    AddTemplateOptions(*command, options);
    AddPolicyOptions(*command, options);
    command
        ->add_option_function<std::string>(
            "--format",
            [&options](const std::string& format) {
                options.format = format == "sarif" ? ReportFormat::Sarif : ReportFormat::Text;
            },
            "How the findings are written: text (the default) or sarif, a SARIF 2.1.0 log")
        ->check(CLI::IsMember({"text", "sarif"}));
    return command;
}

int RunCheck(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const RunInputs inputs = OpenInputs(options.inputs);
    std::vector<Text> filesLeftAlone;
    RunReporting reporting;
    reporting.progressLines = false;  // a check names only what it finds
    reporting.filesLeftAlone = &filesLeftAlone;
    run::RuntimeRun runtime = RuntimeRunFor(inputs, run::Operation::Check, options);
    reporting.extension = &runtime;
    const run::RunResult result = Execute(inputs, run::Operation::Check, options, reporting);
    if (!result.Succeeded()) return ExitCheckError;

    // Names the blocks use that nothing declares: a warning, in either
    // format, which changes no exit status.
    const std::string warning = UndeclaredNamesMessage(runtime);
    std::vector<SarifWarning> warnings;
    if (!warning.empty()) {
        warnings.push_back(SarifWarning{UndeclaredNamesPlace(inputs), "undeclared-names",
                                        "The blocks use names that no source file declares", warning});
    }
    UseBinaryStdout();
    std::cout << (options.format == ReportFormat::Sarif ? SarifLog(result, filesLeftAlone, inputs.diffFolder, warnings)
                                                        : TextFindings(result))
              << std::flush;
    WarnOfUndeclaredNames(inputs, warning);
    const size_t findings = FindingCount(result);
    if (!options.quiet) {
        std::cerr << "procedures checked: " << result.proceduresSeen << "; without an error handler: " << findings
                  << "; files checked: " << result.filesProcessed << SkippedCounts(result);
    }
    return findings == 0 ? ExitSuccess : ExitUnhandled;
}

}  // namespace cli
