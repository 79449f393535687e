// Classifying a module's lines on a second thread.
#include "source_transformation/ClassifyAhead.h"

#include <utility>

namespace scan {

namespace {

// Lines handed over at a time: the first batch small, so that the scan
// starts soon; later ones large enough that waking the other thread is
// rare next to classifying them, and few enough lines to stay small.
constexpr size_t kFirstHandover = 512;
constexpr size_t kLinesPerHandover = 8192;
// Batches classified but not yet read, at most: memory stays bounded
// however far ahead the classifier could run.
constexpr size_t kBatchesAhead = 4;

}  // namespace

template <typename Unit>
ClassifyAhead<Unit>::ClassifyAhead(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units)
    : classifier_(text, lineBreak, units), thread_([this] { Classify(); }) {}

template <typename Unit>
ClassifyAhead<Unit>::~ClassifyAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

template <typename Unit>
void ClassifyAhead<Unit>::Classify() {
    try {
        for (bool more = true, first = true; more; first = false) {
            const size_t handover = first ? kFirstHandover : kLinesPerHandover;
            ClassifiedLines batch;
            batch.ends.reserve(handover + 1024);  // a call appends fewer than 1024 lines
            batch.shapes.reserve(handover + 1024);
            while (batch.Count() < handover && (more = classifier_.AppendBatch(batch))) {
            }
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || ready_.size() < kBatchesAhead; });
            if (stopping_) return;
            if (batch.Count() > 0) ready_.push_back(std::move(batch));
            finished_ = !more;
            lock.unlock();
            changed_.notify_all();
        }
    } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        finished_ = true;
        changed_.notify_all();
    }
}

template <typename Unit>
bool ClassifyAhead<Unit>::AppendBatch(ClassifiedLines& lines) {
    ClassifiedLines batch;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return finished_ || !ready_.empty(); });
        if (ready_.empty()) {
            if (failure_) std::rethrow_exception(failure_);
            return false;
        }
        batch = std::move(ready_.front());
        ready_.pop_front();
    }
    changed_.notify_all();
    lines.Append(batch);
    return true;
}

template class ClassifyAhead<char16_t>;
template class ClassifyAhead<char>;

}  // namespace scan
