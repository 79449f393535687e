// The shared part of the commands that process source files.
#include "cli/SourceRun.h"

#include <iostream>

#include "cli/CommandSupport.h"
#include "cli/ProgressReport.h"
#include "cli/ProjectInput.h"
#include "cli/ReportRoot.h"
#include "commands/PolicyRules.h"
#include "commands/ProjectGroupSources.h"
#include "commands/RunApply.h"
#include "commands/RuntimeModule.h"
#include "commands/UnifiedDiff.h"
#include "project_model/clsProject.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Strings.h"

namespace cli {

namespace {

bool HasExtension(const std::string& argument, const char16_t* extension) {
    return argument.size() >= 4 && vb::EqualsNoCase(vb::FromAscii(argument.substr(argument.size() - 4)), extension);
}

// The objects of every project of a group, each file once.
void OpenGroup(const Text& groupFile, RunInputs& opened) {
    const run::OpenedGroup group = run::OpenProjectGroup(groupFile);
    for (const run::OpenedProject& project : group.projects) opened.projectFiles.push_back(project.file);
    opened.missingProjects.insert(opened.missingProjects.end(), group.missingProjects.begin(),
                                  group.missingProjects.end());
    opened.sources = run::GroupSources(group);
}

// Prints the diff of every changed, created and deleted file, its paths
// relative to the folder that holds the anchor and every such file
// (ReportRoot), and names that folder on stderr.
void PrintDiffs(const run::RunPlan& plan, const std::vector<Text>& deleted, const Text& anchor, bool quiet) {
    std::vector<Text> changed = deleted;
    for (const run::PlannedFile& file : plan.files) {
        if (file.outcome.changed) changed.push_back(file.path);
    }
    const ReportRoot root(anchor, changed);
    auto label = [&](const Text& path) {
        return root.Relative(path).value_or(ReportRoot::GenericUtf8(ReportRoot::AbsolutePath(path)));
    };
    UseBinaryStdout();
    for (const run::PlannedFile& file : plan.files) {
        if (!file.outcome.changed) continue;
        const std::string diff = run::UnifiedDiff(file.original, file.outcome.edits, label(file.path),
                                                  file.newFile ? run::FileChange::Created : run::FileChange::Modified);
        std::cout.write(diff.data(), static_cast<std::streamsize>(diff.size()));
    }
    for (const Text& path : deleted) {
        const std::string bytes = vb::ReadFileBytes(path);
        std::cout << run::UnifiedDiff(bytes, {run::ByteEdit{0, bytes.size(), ""}}, label(path), run::FileChange::Deleted);
    }
    std::cout.flush();
    if (!quiet) std::cerr << "diff paths start at " << root.Shown() << "; apply it there with git apply or patch -p1\n";
}

// Passes each file's rules on and keeps the files they exclude.
class ExcludedFileRecorder : public run::RulesSource {
public:
    ExcludedFileRecorder(run::RulesSource& rules, std::vector<Text>& excluded) : rules_(rules), excluded_(excluded) {}

    run::FileRules For(const run::SourceFile& file) override {
        run::FileRules fileRules = rules_.For(file);
        if (fileRules.excluded) excluded_.push_back(file.path);
        return fileRules;
    }

private:
    run::RulesSource& rules_;
    std::vector<Text>& excluded_;
};

void ReportMissingProjects(const RunInputs& inputs) {
    for (const Text& project : inputs.missingProjects) {
        std::cerr << MissingProjectWarning(project) << "\n";
    }
}

void ReportProblems(const run::RunResult& result, bool sayWhatWasWritten, bool quiet) {
    if (!quiet) {
        for (const Text& path : result.filesWithNul) ReportNulBytes(path);
    }
    if (result.Succeeded()) return;
    for (const run::Problem& problem : result.problems) ReportError(problem.error, problem.path);
    if (!sayWhatWasWritten) return;
    if (result.counts.filesWritten == 0) {
        std::cerr << "trapwright: nothing was written\n";
    } else {
        std::cerr << "trapwright: writing stopped; " << result.counts.filesWritten << " file(s) before it were written\n";
    }
}

// The notes of the run on stderr: blocks edited by hand or at an earlier
// version's place, and the procedures the run leaves as they are (none with
// --quiet), but for those whose blocks stand already, which the summary
// counts (named with --verbose). A check's findings go to stdout.
void ReportNotes(const run::RunResult& result, run::Operation operation, const SourceRunOptions& options) {
    using Kind = run::LineNote::Kind;
    for (const run::FileNote& note : result.notes) {
        const Kind kind = note.note.kind;
        const bool finding = kind == Kind::NoHandler || (operation == run::Operation::Check && kind == Kind::OldPlace);
        if (finding) continue;
        if (options.quiet && kind != Kind::EditedBlock && kind != Kind::OldPlace) continue;
        if (note.note.refusal == scan::Refusal::AlreadyHasBlocks && !options.verbose) continue;
        std::cerr << ReportPath(note.path);
        if (note.note.line > 0) std::cerr << ":" << note.note.line;
        std::cerr << ": " << run::NoteMessage(note.note) << "\n";
    }
}

}  // namespace

void AddTemplateOptions(CLI::App& command, SourceRunOptions& options) {
    command.add_option("--begin", options.beginFile, "Begin template file (default: the built-in template)")
        ->type_name("FILE");
    command.add_option("--end", options.endFile, "End template file (default: empty, no end blocks)")
        ->type_name("FILE");
    AddCodePageOption(command, options.codePage);
    CLI::Option* quiet = AddQuietOption(command, options.quiet);
    command.add_flag("--verbose", options.verbose, "Name every procedure left as it is, those whose blocks stand too")
        ->excludes(quiet);
}

void AddWriteOptions(CLI::App& command, SourceRunOptions& options, bool withSkipHandled) {
    command.add_flag("--backup", options.backup,
                     "Keep each file's original bytes next to it as FILE.bak (or .bak.1, ...)");
    if (withSkipHandled) {
        command.add_flag("--skip-handled", options.skipHandled,
                         "Give no second block to a procedure whose block already stands; append no line break");
    }
    CLI::Option* dryRun = command.add_flag("--dry-run", options.dryRun, "Compute everything and write nothing");
    command.add_flag("--diff", options.diff, "With --dry-run: print what would change as a unified diff")
        ->needs(dryRun);
}

void AddPolicyOptions(CLI::App& command, SourceRunOptions& options) {
    CLI::Option* policy = command.add_option(
        "--policy", options.policyFile, "The team policy to use (default: the nearest trapwright.toml)")
        ->type_name("FILE");
    command.add_flag("--no-policy", options.noPolicy, "Use no team policy")->excludes(policy);
}

RunInputs OpenInputs(const std::vector<std::string>& inputs) {
    RunInputs opened;
    bool anyProject = false;
    for (const std::string& input : inputs) {
        anyProject = anyProject || HasExtension(input, u".vbp") || HasExtension(input, u".vbg");
    }
    if (anyProject && inputs.size() > 1) throw UsageError("give one project or group file, or source files, not both");
    if (anyProject) {
        const Text file = ArgumentText(inputs.front());
        opened.diffFolder = vb::FolderPart(file);
        opened.anchor = file;
        if (HasExtension(inputs.front(), u".vbg")) {
            opened.group = true;
            opened.projectFiles.push_back(file);
            OpenGroup(file, opened);
            return opened;
        }
        clsProject project;
        OpenProject(project, inputs.front());
        opened.projectFiles.push_back(file);
        opened.sources = run::ProjectSources(project, file);
        return opened;
    }
    std::vector<Text> paths;
    for (const std::string& input : inputs) paths.push_back(ArgumentText(input));
    if (!paths.empty()) opened.anchor = paths.front();
    opened.sources = run::NamedSources(paths);
    return opened;
}

run::RunResult Execute(const RunInputs& inputs, run::Operation operation, const SourceRunOptions& options,
                       const RunReporting& reporting) {
    run::PolicyRules::Settings settings;
    if (!options.beginFile.empty()) {
        settings.begin = ReadTemplate(options.beginFile);
        settings.beginName = "the begin template (" + ReportPath(ArgumentText(options.beginFile)) + ")";
    }
    if (!options.endFile.empty()) {
        settings.end = ReadTemplate(options.endFile);
        settings.endName = "the end template (" + ReportPath(ArgumentText(options.endFile)) + ")";
    }
    settings.findPolicies = !options.noPolicy;
    settings.numbers = options.numbers;
    if (!options.policyFile.empty()) settings.policyFile = ArgumentText(options.policyFile);
    run::PolicyRules rules(settings);
    // The runtime module is no source of a run: it never gets a block.
    const std::vector<run::SourceFile> sources = run::WithoutRuntimeModule(inputs.sources);
    rules.Prepare(sources);
    rules.CheckTemplates();

    run::RunRequest request;
    request.operation = operation;
    request.backup = options.backup;
    request.skipHandled = options.skipHandled;
    request.keepOriginals = options.diff;
    request.keepNumbers = !options.mapFile.empty();
    request.writeAhead = !options.dryRun && operation != run::Operation::Check;
    request.dryRun = options.dryRun;
    request.projectFiles = inputs.projectFiles;
    request.codePage = options.codePage != 0 ? options.codePage : vb::AnsiCodePage();
    if (!options.output.empty()) request.output = ArgumentText(options.output);

    ReportMissingProjects(inputs);
    const bool progressLines = reporting.progressLines && !options.quiet;
    ProgressReport progress(progressLines && StderrIsTerminal(), progressLines, reporting.nameSkippedFiles);
    std::vector<Text> excluded;
    ExcludedFileRecorder recorder(rules, excluded);
    run::PlanExtension* extension = reporting.extension;
    if (extension != nullptr) extension->Request(request);
    run::RulesSource& planRules = extension != nullptr ? extension->Rules(recorder) : recorder;
    run::RunPlan plan = run::MakePlan(sources, planRules, request, &progress);
    progress.EndBar();
    if (extension != nullptr) extension->Planned(plan);
    if (options.dryRun) {
        if (options.diff && plan.result.Succeeded()) {
            PrintDiffs(plan, extension != nullptr ? extension->FilesDeleted() : std::vector<Text>(), inputs.anchor,
                       options.quiet);
        }
    } else {
        run::ApplyPlan(plan, request, &progress);
        if (extension != nullptr) extension->Applied(plan);
    }
    ReportProblems(plan.result, reporting.sayWhatWasWritten, options.quiet);
    ReportNotes(plan.result, operation, options);
    if (reporting.filesExcluded != nullptr) *reporting.filesExcluded = std::move(excluded);
    return std::move(plan.result);
}

std::string SkippedCounts(const run::RunResult& result) {
    std::string counts;
    if (result.counts.proceduresRefused > 0) counts += "; procedures left as they are: " + std::to_string(result.counts.proceduresRefused);
    if (result.counts.alreadyHaveBlocks > 0) {
        counts += "; procedures that already have their blocks: " + std::to_string(result.counts.alreadyHaveBlocks);
    }
    counts += "; files skipped: " + std::to_string(result.skippedFiles.size());
    if (result.counts.filesExcluded > 0) counts += "; files left alone: " + std::to_string(result.counts.filesExcluded);
    return counts + "\n";
}

void ReportDryRun(const SourceRunOptions& options, const run::RunResult& result) {
    if (!options.dryRun || options.quiet) return;
    std::cerr << "dry run: nothing was written; " << result.counts.filesChanged << " file(s) would be written\n";
}

}  // namespace cli
