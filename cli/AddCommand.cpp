// `trapwright add PROJECT.vbp [--begin FILE] [--end FILE] [--codepage N] [--backup]`
//
// Progress and the summary go to stderr; the completion message alone goes
// to stdout. Exit 0 when every listed, existing file was processed (missing
// files are skipped and named), 1 on any error, 2 on usage.
#include "cli/AddCommand.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "project_model/clsProject.h"
#include "source_transformation/clsVBParser.h"
#include "commands/AddErrorHandlerRun.h"
#include "commands/DefaultTemplates.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

namespace {

// The templates of a command-line run: read once from the options.
class FixedTemplates : public addrun::TemplateSource {
public:
    FixedTemplates(Text begin, Text end) : begin_(std::move(begin)), end_(std::move(end)) {}
    Text BeginTemplate() override { return begin_; }
    Text EndTemplate() override { return end_; }

private:
    Text begin_;
    Text end_;
};

// A line per file on stderr, or a bar redrawn in place on a terminal.
class ProgressReport : public addrun::RunObserver {
public:
    explicit ProgressReport(bool bar) : bar_(bar) {}

    void FileProcessing(int32_t Index, int32_t ObjectCount, const Text& path) override {
        const std::string position = std::to_string(Index + 1) + "/" + std::to_string(ObjectCount + 1);
        if (!bar_) {
            std::cerr << "[" << position << "] " << vb::DisplayPath(path) << "\n";
            return;
        }
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(int64_t{kWidth} * (Index + 1) / (ObjectCount + 1));
        std::cerr << "\r\033[K[" << std::string(static_cast<size_t>(filled), '#')
                  << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << position << " "
                  << vb::DisplayPath(path) << std::flush;
        barShown_ = true;
    }

    void FileSkipped(int32_t /*Index*/, const Text& path) override {
        EndBar();
        std::cerr << (vb::PathExists(path) ? "trapwright: skipped, a folder or a hidden file: "
                                           : "trapwright: skipped, no such file: ")
                  << vb::DisplayPath(path) << "\n";
    }

    void FileWritten(int32_t /*Index*/, const Text& /*path*/) override { ++filesWritten_; }

    /// Ends the bar's line so that the next message starts on its own.
    void EndBar() {
        if (barShown_) std::cerr << "\n";
        barShown_ = false;
    }

    int32_t FilesWritten() const { return filesWritten_; }

private:
    bool bar_;
    bool barShown_ = false;
    int32_t filesWritten_ = 0;
};

}  // namespace

CLI::App* AddAddCommand(CLI::App& app, AddOptions& options) {
    CLI::App* command = app.add_subcommand("add", "Insert the error handlers into every source file of a project");
    command->add_option("PROJECT", options.project, "The VB6 project file (.vbp)")->required();
    command->add_option("--begin", options.beginFile, "Begin template file (default: the built-in template)");
    command->add_option("--end", options.endFile, "End template file (default: empty, no end blocks)");
    AddCodePageOption(*command, options.codePage);
    command->add_flag("--backup", options.backup,
                      "Keep each file's original bytes next to it as FILE.bak (or .bak.1, ...)");
    return command;
}

int RunAdd(const AddOptions& options) {
    if (!ApplyCodePage(options.codePage)) return ExitUsage;
    clsProject project;
    Text begin;
    Text end;
    try {
        OpenProject(project, options.project);
        begin = ReadTemplate(options.beginFile, templates::DefaultBeginTemplate());
        end = ReadTemplate(options.endFile, templates::DefaultEndTemplate());
    } catch (const vb::VbError& error) {
        ReportError(error);
        return ExitFailure;
    }

    clsVBParser parser;
    FixedTemplates source(std::move(begin), std::move(end));
    ProgressReport progress(StderrIsTerminal());
    addrun::RunOptions runOptions;
    runOptions.backup = options.backup;
    runOptions.projectFile = ArgumentText(options.project);
    const addrun::RunResult result = addrun::AddErrorHandlers(project, parser, source, &progress, runOptions);
    progress.EndBar();
    for (const Text& path : result.filesWithNul) WarnAboutNulBytes(path);

    if (!result.Succeeded()) {
        for (const addrun::Problem& problem : result.problems) ReportError(problem.error, problem.path);
        if (progress.FilesWritten() == 0) {
            std::cerr << "trapwright: nothing was written\n";
        } else {
            std::cerr << "trapwright: writing stopped; " << progress.FilesWritten()
                      << " file(s) before it were written\n";
        }
        return ExitFailure;
    }

    std::cerr << "files processed: " << result.filesProcessed
              << "; procedures given a handler: " << result.procedures
              << "; files skipped: " << result.skippedFiles.size() << "\n";
    UseBinaryStdout();
    std::cout << addrun::CompletionMessage << "\n" << std::flush;
    return ExitSuccess;
}

}  // namespace cli
