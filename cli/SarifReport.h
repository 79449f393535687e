// The findings of `check` as a SARIF 2.1.0 log, the format that code-review
// tools (GitHub code scanning, Azure DevOps, SonarQube) read to show them on
// the lines of a change.
#pragma once

#include <string>
#include <vector>

#include "commands/RunPlan.h"
#include "vb_runtime/Text.h"

namespace cli {

/// The uriBaseId that the log's relative paths start from; the log gives it
/// the project folder's absolute file URI.
inline constexpr const char* kSarifBaseId = "PROJECTROOT";

/// A warning about the run as a whole, shown at line 1 of a file.
struct SarifWarning {
    Text path;
    std::string ruleId;
    std::string description;  ///< what the rule finds
    std::string message;
};

/// The SARIF log of a check run, as JSON text with a final line break. One
/// result per note of the run, in the run's order: a procedure without its
/// block is a `missing-handler` warning, every other kind of note a note.
/// Then one note per listed file that was skipped and per file that the
/// policy leaves alone (`filesLeftAlone`). A file in `projectFolder` (the
/// current folder when empty) or below it is named by its path relative to
/// that folder, with "/" between its parts; any other file by its absolute
/// file URI. The `warnings` come last, as results of level warning.
std::string SarifLog(const run::RunResult& result, const std::vector<Text>& filesLeftAlone,
                     const Text& projectFolder, const std::vector<SarifWarning>& warnings = {});

}  // namespace cli
