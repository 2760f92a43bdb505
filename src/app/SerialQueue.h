#pragma once
// The real work queue: one thread that runs jobs one at a time, in the order queued.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/Platform.h"

namespace tamsel {

class SerialQueue final : public WorkQueue {
public:
    // Starts the thread, named `label` (as far as the system allows: 15 bytes on Linux).
    explicit SerialQueue(std::string label = "tamsel.aws");
    // Drops the jobs still waiting, lets the running one finish, and joins the thread.
    // Must not be called from a job.
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    // Safe from any thread, a job included. A job that throws is abandoned; the queue goes on.
    void async(std::function<void()> job) override;

private:
    void run();

    const std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts only once everything above exists
};

}  // namespace tamsel
