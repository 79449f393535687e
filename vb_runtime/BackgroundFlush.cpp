// Background flushing of pending writes.
#include "vb_runtime/BackgroundFlush.h"

namespace vb {

BackgroundFlush::BackgroundFlush(unsigned threads) {
    for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this] { Work(); });
}

BackgroundFlush::~BackgroundFlush() { Finish(); }

void BackgroundFlush::Submit(PendingWrite& write) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(&write);
    }
    ready_.notify_one();
}

void BackgroundFlush::Finish() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    ready_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

void BackgroundFlush::Work() {
    for (;;) {
        PendingWrite* write = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
            if (queue_.empty()) return;
            write = queue_.front();
            queue_.pop_front();
        }
        try {
            write->Flush();
        } catch (...) {
            // Kept by the write; the flush before the renames reports it.
        }
    }
}

}  // namespace vb
