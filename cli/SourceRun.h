// What add, remove, check and transform share: their common options, the
// files their arguments name, one run through the plan and apply phases,
// and the reports of a run (diffs, problems, notes).
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/PlanExtension.h"
#include "commands/RunPlan.h"
#include "policy/Policy.h"
#include "vb_runtime/Text.h"

namespace cli {

/// check: how the findings are written to stdout.
enum class ReportFormat {
    Text,   ///< "PATH:LINE: NAME has no error handler", a line each
    Sarif,  ///< a SARIF 2.1.0 log
};

struct SourceRunOptions {
    std::vector<std::string> inputs;  ///< a project file, or source files
    std::string output;               ///< transform: where the result goes
    std::string beginFile;
    std::string endFile;
    int32_t codePage = 0;
    bool backup = false;
    bool skipHandled = false;
    bool dryRun = false;
    bool diff = false;
    std::string policyFile;  ///< --policy FILE
    bool noPolicy = false;   ///< --no-policy
    bool quiet = false;      ///< --quiet: findings and errors only
    bool verbose = false;    ///< --verbose: name every procedure left as it is, those whose blocks stand too
    ReportFormat format = ReportFormat::Text;  ///< check --format
    policy::NumberSettings numbers;  ///< number --start, --step, --per
    std::string mapFile;             ///< number --map FILE
    bool withRuntime = false;        ///< add, remove --with-runtime
};

/// `--begin FILE`, `--end FILE`, `--codepage N`, `--quiet`, `--verbose`.
void AddTemplateOptions(CLI::App& command, SourceRunOptions& options);

/// `--backup`, `--dry-run`, `--diff` (with --dry-run only), and
/// `--skip-handled` when the command has it.
void AddWriteOptions(CLI::App& command, SourceRunOptions& options, bool withSkipHandled);

/// `--policy FILE` and `--no-policy`.
void AddPolicyOptions(CLI::App& command, SourceRunOptions& options);

/// The files a command's arguments name.
struct RunInputs {
    std::vector<run::SourceFile> sources;
    std::vector<Text> projectFiles;  ///< the project files and the group file read; none for named files
    Text diffFolder;                 ///< the project's folder, where map paths start; empty: as named
    /// The file that diffs and SARIF logs place their paths from (see
    /// ReportRoot): the project or group file, or the first named source.
    Text anchor;
    /// Projects a group names that do not exist, in the group's order.
    std::vector<Text> missingProjects;
    bool group = false;  ///< the anchor is a project group file
};

/// One argument ending in ".vbp" is a project: its objects, in list order.
/// One ending in ".vbg" is a project group: the objects of each project it
/// names, in the group's order, a file listed by several projects only
/// under the first. Otherwise every argument is a source file. Throws
/// VbError 53 for a project or group file that is not there, UsageError for
/// a project among other arguments.
RunInputs OpenInputs(const std::vector<std::string>& inputs);

/// How a command reports a run on stderr.
struct RunReporting {
    bool progressLines = true;      ///< a line (or a bar) per file
    bool nameSkippedFiles = true;   ///< a warning per listed file that is skipped
    bool sayWhatWasWritten = true;  ///< after problems: "nothing was written", or where the writing stopped
    /// When given, receives the files that the policy excludes, in list order.
    std::vector<Text>* filesExcluded = nullptr;
    /// When given, adds to the run's plan (the runtime module, the names the blocks use).
    run::PlanExtension* extension = nullptr;
};

/// Runs `operation` over the inputs: names the missing projects of a group,
/// reads the templates and the policies, plans the run, prints the diffs of
/// a dry run with --diff (paths from the ReportRoot of the inputs' anchor
/// and the changed files, which a line on stderr names unless --quiet is
/// given), and applies the plan unless it is a dry run or
/// found problems. Then reports the NUL-byte warnings, the problems, and the
/// blocks left as they are because they look edited ("PATH:LINE: NAME: the
/// block under this header does not match the template; left as it is").
run::RunResult Execute(const RunInputs& inputs, run::Operation operation, const SourceRunOptions& options,
                       const RunReporting& reporting = {});

/// The end of a summary line: "; files skipped: N", and the files a policy
/// left alone when there are any; then the line break.
std::string SkippedCounts(const run::RunResult& result);


/// For a dry run, a line saying that nothing was written and what would be
/// (none with --quiet).
void ReportDryRun(const SourceRunOptions& options, const run::RunResult& result);

}  // namespace cli
