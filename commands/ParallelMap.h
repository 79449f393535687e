// A small parallel map: items handed to a few threads, each taking the next
// one that is left. What the items produce is kept by the caller, per item
// or per worker, so that nothing needs a lock.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace run {

/// How many workers `items` items get: `requested`, or one per processor
/// for 0, and never more than there are items (at least one).
inline unsigned WorkerCount(unsigned requested, size_t items) {
    const unsigned workers = requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::max<size_t>(1, std::min<size_t>(workers, items)));
}

/// Calls visit(item, worker) for items 0..count-1, `workers` at once; the
/// calling thread is worker 0. Returns when every item is done.
template <class Visit>
void ForEachAtOnce(size_t count, unsigned workers, Visit visit) {
    if (workers <= 1) {
        for (size_t k = 0; k < count; ++k) visit(k, 0u);
        return;
    }
    std::atomic<size_t> next{0};
    auto worker = [&](unsigned self) {
        for (size_t k; (k = next++) < count;) visit(k, self);
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < workers; ++t) threads.emplace_back(worker, t);
    worker(0);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace run
