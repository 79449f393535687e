// `trapwright check PROJECT.vbp|SOURCE... [--begin FILE] [--end FILE] [--codepage N]
//  [--format text|sarif] [--quiet]`
//
// stdout: "PATH:LINE: NAME has no error handler" for each recognised header
// under which no block of the template stands (LINE 1-based), the form
// editors and CI annotators read, and "PROJECT:LINE: lists PATH, but there
// is no such file" for each listed file that is missing; with --format
// sarif a SARIF 2.1.0 log of the same findings instead, also when the check
// fails. stderr: a summary (none with --quiet). Exit 0 when every procedure
// has its block, 1 when some do not or a listed file is missing, 2 on a
// usage or processing error and when a project or group gives no file to
// read, whatever the format.
#include "cli/CheckCommand.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/CheckInputs.h"
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

std::string TextFindings(const run::RunResult& result, const std::vector<MissingSource>& missingSources) {
    std::string out;
    for (const run::FileNote& note : result.notes) {
        if (!IsFinding(note.note)) continue;
        out += ReportPath(note.path) + ":" + std::to_string(note.note.line) + ": " + run::NoteMessage(note.note) + "\n";
    }
    for (const MissingSource& missing : missingSources) {
        out += ReportPath(missing.projectFile) + ":" + std::to_string(missing.line) + ": " + missing.message + "\n";
    }
    return out;
}

// What a check that got as far as its run found, and what stopped it.
struct CheckOutcome {
    run::RunResult result;
    std::vector<Text> filesExcluded;
    std::vector<MissingSource> missingSources;
    std::vector<std::string> errors;  // as stderr says them
    std::string undeclaredNames;      // the warning of names the blocks use that no file declares
    std::vector<SarifWarning> warnings;
};

// Runs the check and names on stderr what stops it. The findings of a run
// that had a problem are not reported; those of a run that read nothing
// (its missing files) are.
CheckOutcome Check(const SourceRunOptions& options, const RunInputs& inputs) {
    CheckOutcome outcome;
    RunReporting reporting;
    reporting.progressLines = false;     // a check names only what it finds
    reporting.nameSkippedFiles = false;  // they are findings, on stdout
    reporting.sayWhatWasWritten = false; // a check writes nothing
    reporting.filesExcluded = &outcome.filesExcluded;
    run::RuntimeRun runtime = RuntimeRunFor(inputs, run::Operation::Check, options);
    reporting.extension = &runtime;
    run::RunResult result = Execute(inputs, run::Operation::Check, options, reporting);
    if (!result.Succeeded()) {
        for (const run::Problem& problem : result.problems) {
            outcome.errors.push_back(ErrorMessage(problem.error, problem.path));
        }
        outcome.filesExcluded.clear();
        return outcome;
    }
    outcome.missingSources = MissingSources(inputs, result);
    // Names the blocks use that nothing declares: a warning, in either
    // format, which changes no exit status.
    outcome.undeclaredNames = UndeclaredNamesMessage(runtime);
    if (!outcome.undeclaredNames.empty()) {
        outcome.warnings.push_back(SarifWarning{UndeclaredNamesPlace(inputs), "undeclared-names",
                                                "The blocks use names that no source file declares",
                                                outcome.undeclaredNames});
    }
    if (const std::optional<std::string> reason = WhyNothingWasRead(inputs, result)) {
        outcome.errors.push_back("trapwright: error: " + *reason);
        std::cerr << outcome.errors.back() << "\n";
    }
    outcome.result = std::move(result);
    return outcome;
}

void WriteFindings(const SourceRunOptions& options, const CheckOutcome& outcome, const Text& anchor) {
    UseBinaryStdout();
    if (options.format == ReportFormat::Sarif) {
        std::cout << SarifLog(
            {outcome.result, outcome.filesExcluded, outcome.missingSources, outcome.errors, outcome.warnings}, anchor);
    } else {
        std::cout << TextFindings(outcome.result, outcome.missingSources);
    }
    std::cout << std::flush;
}

int RunCheckOf(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const RunInputs inputs = OpenInputs(options.inputs);
    const CheckOutcome outcome = Check(options, inputs);
    WriteFindings(options, outcome, inputs.anchor);
    if (!outcome.errors.empty()) return ExitCheckError;
    WarnOfUndeclaredNames(inputs, outcome.undeclaredNames);
    const size_t findings = FindingCount(outcome.result) + outcome.missingSources.size();
    if (!options.quiet) {
        std::cerr << "procedures checked: " << outcome.result.counts.proceduresSeen
                  << "; without an error handler: " << FindingCount(outcome.result)
                  << "; files checked: " << outcome.result.counts.filesProcessed << SkippedCounts(outcome.result);
    }
    return findings == 0 ? ExitSuccess : ExitUnhandled;
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
    if (options.format != ReportFormat::Sarif) return RunCheckOf(options);
    // A SARIF log is written whatever stops the check, so that the tool
    // that reads it learns why: the error is reported here, not by main.
    try {
        return RunCheckOf(options);
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception());
        std::cerr << failure.message << "\n";
        const CheckOutcome failed{{}, {}, {}, {failure.message}, {}, {}};
        const Text anchor = options.inputs.empty() ? Text() : ArgumentText(options.inputs.front());
        WriteFindings(options, failed, anchor);
        return ExitCheckError;
    }
}

}  // namespace cli
