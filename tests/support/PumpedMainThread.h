#pragma once
// A main thread that is the caller's own: work posted from the queues waits until the
// caller pumps it (for tests and benchmarks that run the controller on the real queues).

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "app/Platform.h"

namespace tamsel::test {

class PumpedMainThread final : public MainThread {
public:
    // `guard`: how long runUntil waits for work before it gives up (a hang guard, not a measure).
    explicit PumpedMainThread(std::chrono::seconds guard = std::chrono::seconds(120)) : guard_(guard) {}

    void post(std::function<void()> work) override {
        {
            const std::lock_guard lock(mutex_);
            work_.push_back(std::move(work));
        }
        posted_.notify_one();
    }

    // Runs posted work as it comes until `done` holds; false when nothing came for the guard.
    bool runUntil(const std::function<bool()>& done) {
        while (!done()) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex_);
                if (!posted_.wait_for(lock, guard_, [&] { return !work_.empty(); })) return false;
                work = std::move(work_.front());
                work_.pop_front();
            }
            work();
        }
        return true;
    }

private:
    const std::chrono::seconds guard_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> work_;
};

}  // namespace tamsel::test
