#pragma once
// A work queue that runs up to a fixed number of jobs at once, each on a thread of its own,
// started in the order queued. The region sweep counts several regions side by side on one;
// with one thread it is the serial work queue (SerialQueue.h).

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Platform.h"

namespace tamsel {

class WorkerPool : public WorkQueue {
public:
    // Starts `threads` threads (at least one), each named `label` (up to 15 bytes on Linux).
    // With a `niceness` above 0 the threads, and the child processes their jobs start (which
    // inherit it), yield the processor to the rest of the application when it is scarce.
    WorkerPool(std::size_t threads, std::string label, int niceness = 0);
    // Drops the jobs still waiting, lets the running ones finish, and joins the threads.
    // Must not be called from a job.
    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Safe from any thread, a job included. A job that throws is abandoned; the pool goes on.
    void async(std::function<void()> job) override;

private:
    void run();

    const std::string label_;
    const int niceness_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;  // last: they start only once everything above exists
};

}  // namespace tamsel
