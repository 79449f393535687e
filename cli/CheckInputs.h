// What check says about its inputs beyond the procedures: the listed files
// it could not read, which are findings, and a run that read no file at
// all, which is an error, so that a check pointed at the wrong file fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/SourceRun.h"
#include "commands/RunPlan.h"
#include "vb_runtime/Text.h"

namespace cli {

/// A listed source that does not exist, or is a folder or a hidden file:
/// a finding at the line of the project file that lists it.
struct MissingSource {
    Text projectFile;
    int32_t line = 0;
    /// "lists Sub/gone.bas, but there is no such file", the path as the
    /// project file gives it.
    std::string message;
};

/// The sources of `inputs` that the run skipped (`result.skippedFiles`, in
/// list order), each with the project line that lists it.
std::vector<MissingSource> MissingSources(const RunInputs& inputs, const run::RunResult& result);

/// Why a check of a project or group read no source file, saying what it
/// did read ("Demo.vbp lists no source files (is it a project file?)");
/// nothing when it read one, or was given source files. A file the policy
/// leaves alone counts as read: the team chose not to check it.
std::optional<std::string> WhyNothingWasRead(const RunInputs& inputs, const run::RunResult& result);

}  // namespace cli
