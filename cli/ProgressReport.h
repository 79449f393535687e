// The progress of a run on stderr: a line per file, or on a terminal a bar
// redrawn in place; and the files skipped because they do not exist.
#pragma once

#include <cstdint>

#include "commands/RunPlan.h"

namespace cli {

class ProgressReport : public run::RunObserver {
public:
    /// `bar`: draw a bar (stderr is a terminal); `lines`: report each file
    /// at all (a check names only what it finds); `skipped`: warn about
    /// each listed file that is skipped.
    ProgressReport(bool bar, bool lines, bool skipped = true) : bar_(bar), lines_(lines), skipped_(skipped) {}

    void FileProcessing(int32_t Index, int32_t ObjectCount, const Text& path) override;
    void FileSkipped(int32_t Index, const Text& path) override;

    /// Ends the bar's line so that the next message starts on its own.
    void EndBar();

private:
    bool bar_;
    bool lines_;
    bool skipped_;
    bool barShown_ = false;
};

}  // namespace cli
