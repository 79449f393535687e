// The findings of `check` as a SARIF 2.1.0 log, the format that code-review
// tools (GitHub code scanning, Azure DevOps, SonarQube) read to show them on
// the lines of a change.
#pragma once

#include <string>
#include <vector>

#include "cli/CheckInputs.h"
#include "commands/RunPlan.h"
#include "vb_runtime/Text.h"

namespace cli {

/// The uriBaseId that the log's relative paths start from, the one code
/// scanning resolves against the repository's root; the log gives it the
/// folder's absolute file URI.
inline constexpr const char* kSarifBaseId = "%SRCROOT%";

/// A warning about the run as a whole, shown at line 1 of a file.
struct SarifWarning {
    Text path;
    std::string ruleId;
    std::string description;  ///< what the rule finds
    std::string message;
};

/// What a check's log reports.
struct SarifContent {
    const run::RunResult& result;
    /// The files that the policy excludes.
    const std::vector<Text>& filesExcluded;
    /// The listed files that do not exist.
    const std::vector<MissingSource>& missingSources;
    /// Why the check failed, each as stderr says it; none when it ran through.
    const std::vector<std::string>& errors;
    /// Warnings about the run as a whole (names the blocks use that no file declares).
    const std::vector<SarifWarning>& warnings;
};

/// The SARIF log of a check run, as JSON text with a final line break. One
/// result per note of the run, in the run's order: a procedure without its
/// block (or with it where an earlier version put it) is a warning, every
/// other kind of note a note. Then a `missing-source` warning per listed
/// file that does not exist, at the project line that lists it, and one
/// note per file that the policy leaves alone. A file below the ReportRoot
/// of `anchor` and the files the log names is named by its path relative
/// to that folder under kSarifBaseId, with "/" between its parts; any other
/// by its absolute file URI. The invocation says whether the check ran
/// through; each of `errors` is a tool execution notification. The
/// `warnings` come after the other results, as results of level warning.
std::string SarifLog(const SarifContent& content, const Text& anchor);

}  // namespace cli
