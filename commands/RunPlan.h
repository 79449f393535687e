// A run over a list of files, in two phases. The plan reads, checks and
// processes every file in list order and writes nothing; if it found any
// problem, nothing is written at all. The apply phase (RunApply.h) then
// writes the changed files, each in one step. A dry run is the plan alone.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/ModuleProcessing.h"
#include "commands/SourceList.h"
#include "source_transformation/DeclaredNames.h"
#include "source_transformation/TemplateChoice.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Text.h"
#include "vb_runtime/VbError.h"

namespace run {

/// What a run uses for one file.
struct FileRules {
    std::shared_ptr<const scan::TemplateChoice> templates;
    /// What gives "[ModuleName]", "[FileName]" and "[ProjectName]" their
    /// values; none leaves them plain text (the desktop application).
    std::optional<ModuleContext> context;
    bool optOutComments = false;
    /// How number numbers the file's procedures.
    scan::NumberingOptions numbering;
    /// The whole file is excluded: not read, changed or checked.
    bool excluded = false;
};

/// Where a run takes each file's rules from; asked once per file, in list order.
class RulesSource {
public:
    virtual ~RulesSource() = default;
    virtual FileRules For(const SourceFile& file) = 0;
};

/// Told about the run's progress (all optional).
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void FileProcessing(int32_t /*Index*/, int32_t /*ObjectCount*/, const Text& /*path*/) {}
    virtual void FileSkipped(int32_t /*Index*/, const Text& /*path*/) {}
    /// Called after a file was written; `Index` is the first entry naming it.
    virtual void FileWritten(int32_t /*Index*/, const Text& /*path*/) {}
};

struct RunRequest {
    Operation operation = Operation::Add;
    bool skipHandled = false;
    /// Keep each file's original bytes next to it (FILE.bak, FILE.bak.1, …)
    /// just before it is first rewritten.
    bool backup = false;
    /// Keep each file's original bytes in the plan, for diffs.
    bool keepOriginals = false;
    /// Write each changed file's new content beside it during the plan (a
    /// temporary file nothing else sees), so that the plan holds no file in
    /// memory; the apply phase flushes them and puts them in place. Without
    /// it, the plan keeps the new bytes (a dry run).
    bool writeAhead = false;
    /// The plan is never applied (a dry run): the files need only be readable.
    bool dryRun = false;
    /// The ANSI code page the files are in.
    int32_t codePage = vb::AnsiCodePage();
    /// How many files are processed at once; 0: one per processor.
    unsigned workers = 0;
    /// Number: record every number given, for the map (RunResult::numbers).
    bool keepNumbers = false;
    /// The project files (and group file) of the run: an entry that names
    /// one is refused, so they are never rewritten as sources.
    std::vector<Text> projectFiles;
    /// Where a single named file is written instead of over itself.
    Text output;
    /// Add, Check: gather the names the files declare at module level
    /// (RunPlan::moduleNames) from what the declarations pass reads.
    bool findModuleNames = false;
};

struct Problem {
    int32_t Index;
    Text path;
    vb::VbError error;
};

/// A note about one header, with the file it is in.
struct FileNote {
    Text path;
    LineNote note;
};

/// The numbers that number gave the lines of one file, for the map from
/// Erl back to the line.
struct NumberedFile {
    Text path;
    std::vector<Text> procedures;     ///< the names the lines' `procedure` indexes
    std::vector<NumberedLine> lines;  ///< in line order
};

struct RunResult {
    RunCounts counts;
    std::vector<NumberedFile> numbers;  ///< number: the numbers given, in list order (with RunRequest::keepNumbers)
    std::vector<Text> skippedFiles;  ///< listed files that do not exist, in list order
    /// Everything that stopped the run. Problems found by the plan mean
    /// nothing was written; a write that still fails (disk full, say) stops
    /// the writing there and is the last entry.
    std::vector<Problem> problems;
    std::vector<Text> filesWithNul;  ///< processed files whose text holds NUL bytes
    std::vector<Text> backups;       ///< backup copies written, in the order of the writes
    std::vector<FileNote> notes;     ///< in list order, then line order
    bool Succeeded() const { return problems.empty(); }
};

/// One distinct file of the plan, with what the run does to it.
struct PlannedFile {
    int32_t Index = 0;     ///< the first entry that names it
    Text path;             ///< as that entry names it
    Text target;           ///< where it is written
    std::string original;  ///< its bytes before the run (with RunRequest::keepOriginals)
    /// The outcome of all its passes; `edits` lead from `original` to
    /// `bytes`. `bytes` is empty when a pending write holds them.
    ModuleOutcome outcome;
    /// Its new content, written beside it (with RunRequest::writeAhead).
    std::unique_ptr<vb::PendingWrite> pending;
    /// The file does not exist yet: the apply phase creates it.
    bool newFile = false;
};

struct RunPlan {
    std::vector<PlannedFile> files;  ///< in the order the list first names them
    RunResult result;
    /// With RunRequest::findModuleNames: the names the processed files
    /// declare above their first procedure (ModuleLevelNames.h).
    scan::DeclaredNames moduleNames;
};

/// Reads, checks and processes every file of `sources`, as if in list order
/// (several at once where nothing depends on another; what is reported
/// comes in list order all the same); writes no file. Missing files of a
/// project are skipped; a missing named file is a problem. A file named
/// again starts from what the earlier entry leaves in it (a check looks at
/// it once). A file that cannot be written is still processed, so that all
/// of its problems are reported. The rules are asked for on the calling
/// thread, in list order.
RunPlan MakePlan(const std::vector<SourceFile>& sources, RulesSource& rules, const RunRequest& request,
                 RunObserver* observer = nullptr);

}  // namespace run
