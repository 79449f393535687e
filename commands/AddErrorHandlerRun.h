// The add-error-handler run of the desktop application: every object of a
// project, in list order, planned and then written. The command line runs
// the same plan and apply phases (RunPlan.h, RunApply.h) directly.
#pragma once

#include <cstdint>

#include "commands/RunPlan.h"
#include "vb_runtime/Text.h"

class clsProject;

namespace addrun {

using run::Problem;
using run::RunObserver;
using run::RunResult;

/// Where the run takes its templates from; read afresh for every object.
class TemplateSource {
public:
    virtual ~TemplateSource() = default;
    virtual Text BeginTemplate() = 0;
    virtual Text EndTemplate() = 0;
};

struct RunOptions {
    /// Keep each file's original bytes next to it (FILE.bak, FILE.bak.1, …)
    /// just before it is first rewritten.
    bool backup = false;
    /// The project file itself: an object that names it is refused, so the
    /// project file is never rewritten as a source.
    Text projectFile;
};

/// The completion message shown (or printed) at the end of a run.
extern const char CompletionMessage[];

/// Inserts the blocks into every object's file. Before the first write,
/// every existing object file is read, checked for writing and transformed;
/// if anything fails, every problem found is returned and no file is
/// written. Missing files are skipped. A file that disappears or turns
/// read-only after the checks stops the writing there. Templates that
/// cannot make blocks VB6 compiles (templates::CheckTemplatePair) are one
/// problem, error 5 without a file, found before any file is read.
RunResult AddErrorHandlers(const clsProject& project, TemplateSource& templates, RunObserver* observer = nullptr,
                           const RunOptions& options = {});

}  // namespace addrun
