// Flushing pending writes on background threads while a run goes on
// preparing the next files, so that the flush that must precede the first
// rename finds most of them on the disk already.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "vb_runtime/FileAccess.h"

namespace vb {

class BackgroundFlush {
public:
    explicit BackgroundFlush(unsigned threads = 2);
    ~BackgroundFlush();
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    /// Flushes `write` soon. It must stay alive until Finish returns. A
    /// failure is kept by the write: its next Flush reports it.
    void Submit(PendingWrite& write);

    /// Waits until every submitted write has been flushed or has failed.
    void Finish();

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<PendingWrite*> queue_;
    bool finishing_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace vb
