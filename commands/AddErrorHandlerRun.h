// The add-error-handler run: every object of a project through LoadCode,
// AddErrorHandler and SaveCode, in list order. Shared by the desktop
// application's add command and `trapwright add`.
#pragma once

#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"
#include "vb_runtime/VbError.h"

class clsProject;
class clsVBParser;

namespace addrun {

/// Where the run takes its templates from; read afresh for every object.
class TemplateSource {
public:
    virtual ~TemplateSource() = default;
    virtual Text BeginTemplate() = 0;
    virtual Text EndTemplate() = 0;
};

/// Told about the run's progress (all optional).
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void FileProcessing(int32_t /*Index*/, int32_t /*ObjectCount*/, const Text& /*path*/) {}
    virtual void FileSkipped(int32_t /*Index*/, const Text& /*path*/) {}
    /// Called after a file was written; `Index` is the first object naming it.
    virtual void FileWritten(int32_t /*Index*/, const Text& /*path*/) {}
};

struct Problem {
    int32_t Index;
    Text path;
    vb::VbError error;
};

struct RunResult {
    int32_t filesProcessed = 0;     ///< objects whose file was transformed (a file listed twice counts twice)
    int32_t procedures = 0;         ///< headers given a begin block, over all files
    std::vector<Text> skippedFiles; ///< listed files that do not exist, in list order
    /// Everything that stopped the run. Problems found while reading, checking
    /// or transforming mean nothing was written; a write that still fails
    /// (disk full, say) stops the writing there and is the last entry.
    std::vector<Problem> problems;
    std::vector<Text> filesWithNul;  ///< processed files whose text holds NUL bytes (probably not sources)
    std::vector<Text> backups;       ///< backup copies written, in the order of the writes
    bool Succeeded() const { return problems.empty(); }
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

/// Runs the add loop over every object of `project` with one parser. Before
/// the first write, every existing object file is read, checked for
/// writing and transformed; if anything fails, every problem found is
/// returned and no file is written. Missing files are skipped. A file that
/// disappears or turns read-only after the checks stops the writing there.
RunResult AddErrorHandlers(const clsProject& project, clsVBParser& parser, TemplateSource& templates,
                           RunObserver* observer = nullptr, const RunOptions& options = {});

}  // namespace addrun
