// A module's lines classified on a thread of their own, a few batches
// ahead of the scan that reads them: for a large module while a core would
// otherwise be idle. The lines are those LineClassifier gives, in order.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "source_transformation/LineClassifier.h"

namespace scan {

template <typename Unit>
class ClassifyAhead {
public:
    /// Starts classifying `text`, which must outlive this object.
    ClassifyAhead(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units);
    /// Stops the thread, whether or not every line was read.
    ~ClassifyAhead();
    ClassifyAhead(const ClassifyAhead&) = delete;
    ClassifyAhead& operator=(const ClassifyAhead&) = delete;

    /// Appends the next lines, in order, waiting for them if need be; false
    /// when none are left. Rethrows what stopped the thread.
    bool AppendBatch(ClassifiedLines& lines);

private:
    void Classify();

    LineClassifier<Unit> classifier_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<ClassifiedLines> ready_;  // classified, not yet read
    bool finished_ = false;                          // every line is in ready_ or was read
    bool stopping_ = false;                          // the reader is gone
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once everything above is there
};

}  // namespace scan
