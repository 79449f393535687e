// Progress lines and the progress bar.
#include "cli/ProgressReport.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

namespace {

// stderr is unbuffered: a line handed over whole is one write, which keeps
// it in one piece and costs one call per file.
void Write(const std::string& line) { std::cerr.write(line.data(), static_cast<std::streamsize>(line.size())); }

}  // namespace

void ProgressReport::FileProcessing(int32_t Index, int32_t ObjectCount, const Text& path) {
    if (!lines_) return;
    const std::string position = std::to_string(Index + 1) + "/" + std::to_string(ObjectCount + 1);
    if (!bar_) {
        Write("[" + position + "] " + vb::DisplayPath(path) + "\n");
        return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(int64_t{kWidth} * (Index + 1) / (ObjectCount + 1));
    Write("\r\033[K[" + std::string(static_cast<size_t>(filled), '#') +
          std::string(static_cast<size_t>(kWidth - filled), '.') + "] " + position + " " + vb::DisplayPath(path));
    barShown_ = true;
}

void ProgressReport::FileSkipped(int32_t /*Index*/, const Text& path) {
    if (!skipped_) return;
    EndBar();
    std::cerr << "trapwright: skipped, " << SkipReason(path) << ": " << vb::DisplayPath(path) << "\n";
}

void ProgressReport::EndBar() {
    if (barShown_) std::cerr << "\n";
    barShown_ = false;
}

}  // namespace cli
