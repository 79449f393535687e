// The shared part of the commands that process source files.
#include "cli/SourceRun.h"

#include <iostream>

#include "cli/CommandSupport.h"
#include "cli/ProjectInput.h"
#include "commands/DefaultTemplates.h"
#include "commands/RunApply.h"
#include "commands/UnifiedDiff.h"
#include "project_model/clsProject.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Strings.h"

namespace cli {

namespace {

bool IsProjectFile(const std::string& argument) {
    return argument.size() >= 4 && vb::EqualsNoCase(vb::FromAscii(argument.substr(argument.size() - 4)), u".vbp");
}

// The folder part of a path: up to and including its last "\" or "/".
Text FolderOf(const Text& path) {
    const size_t separator = path.find_last_of(u"\\/");
    return separator == Text::npos ? Text() : path.substr(0, separator + 1);
}

// The same templates for every file.
class FixedRules : public run::RulesSource {
public:
    FixedRules(Text begin, Text end) {
        rules_.templates = std::make_shared<scan::FixedTemplates>(scan::HandlerTemplates{begin, end});
    }
    run::FileRules For(const run::SourceFile& /*file*/) override { return rules_; }

private:
    run::FileRules rules_;
};

// A file's path in a diff: relative to `folder`, with "/" between its parts.
std::string DiffPath(const Text& path, const Text& folder) {
    std::string label = ReportPath(path);
    std::string base = folder.empty() ? std::string() : ReportPath(folder);
    if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
    if (!base.empty() && label.rfind(base, 0) == 0) label.erase(0, base.size());
    for (char& c : label) {
        if (c == '\\') c = '/';
    }
    while (label.rfind("./", 0) == 0) label.erase(0, 2);
    return label;
}

void PrintDiffs(const run::RunPlan& plan, const Text& folder) {
    UseBinaryStdout();
    for (const run::PlannedFile& file : plan.files) {
        if (!file.outcome.changed) continue;
        const std::string diff = run::UnifiedDiff(file.original, file.outcome.edits, DiffPath(file.path, folder));
        std::cout.write(diff.data(), static_cast<std::streamsize>(diff.size()));
    }
    std::cout.flush();
}

}  // namespace

void AddTemplateOptions(CLI::App& command, SourceRunOptions& options) {
    command.add_option("--begin", options.beginFile, "Begin template file (default: the built-in template)");
    command.add_option("--end", options.endFile, "End template file (default: empty, no end blocks)");
    AddCodePageOption(command, options.codePage);
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

RunInputs OpenInputs(const std::vector<std::string>& inputs) {
    RunInputs opened;
    bool anyProject = false;
    for (const std::string& input : inputs) anyProject = anyProject || IsProjectFile(input);
    if (anyProject && inputs.size() > 1) throw UsageError("give one project file, or source files, not both");
    if (anyProject) {
        clsProject project;
        OpenProject(project, inputs.front());
        opened.projectFile = ArgumentText(inputs.front());
        opened.diffFolder = FolderOf(opened.projectFile);
        opened.sources = run::ProjectSources(project);
        return opened;
    }
    std::vector<Text> paths;
    for (const std::string& input : inputs) paths.push_back(ArgumentText(input));
    opened.sources = run::NamedSources(paths);
    return opened;
}

run::RunPlan Execute(const RunInputs& inputs, run::RunRequest request, const SourceRunOptions& options,
                     ProgressReport& progress) {
    const Text begin = ReadTemplate(options.beginFile, templates::DefaultBeginTemplate());
    const Text end = ReadTemplate(options.endFile, templates::DefaultEndTemplate());
    request.backup = options.backup;
    request.skipHandled = options.skipHandled;
    request.keepOriginals = options.diff;
    request.projectFile = inputs.projectFile;
    if (!options.output.empty()) request.output = ArgumentText(options.output);

    FixedRules rules(begin, end);
    run::RunPlan plan = run::MakePlan(inputs.sources, rules, request, &progress);
    progress.EndBar();
    if (options.dryRun) {
        if (options.diff && plan.result.Succeeded()) PrintDiffs(plan, inputs.diffFolder);
        return plan;
    }
    run::ApplyPlan(plan, request, &progress);
    return plan;
}

void ReportProblems(const run::RunResult& result, bool sayWhatWasWritten) {
    for (const Text& path : result.filesWithNul) WarnAboutNulBytes(path);
    if (result.Succeeded()) return;
    for (const run::Problem& problem : result.problems) ReportError(problem.error, problem.path);
    if (!sayWhatWasWritten) return;
    if (result.filesWritten == 0) {
        std::cerr << "trapwright: nothing was written\n";
    } else {
        std::cerr << "trapwright: writing stopped; " << result.filesWritten << " file(s) before it were written\n";
    }
}

void ReportEditedBlocks(const run::RunResult& result) {
    for (const run::FileNote& note : result.notes) {
        if (note.note.kind != run::LineNote::Kind::EditedBlock) continue;
        std::cerr << ReportPath(note.path) << ":" << note.note.line << ": " << vb::ToUtf8(note.note.name)
                  << ": the block under this header does not match the template; left as it is\n";
    }
}

}  // namespace cli
