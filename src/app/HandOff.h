#pragma once
// The one way the controller's parts run work off the main thread: a job on the serial
// work queue, whose result is handed back to the main thread. A result that arrives after
// the hand-off (and with it the controller) is gone is dropped unread.

#include <functional>
#include <memory>
#include <utility>

#include "app/Platform.h"

namespace tamsel {

class HandOff {
public:
    // Both must outlive every job queued here.
    HandOff(WorkQueue& queue, MainThread& mainThread) : queue_(queue), mainThread_(mainThread) {}
    HandOff(const HandOff&) = delete;
    HandOff& operator=(const HandOff&) = delete;

    // Runs `job` on the work queue, then `land` with its result on the main thread, unless
    // this hand-off has been destroyed by then. `job` must not touch the controller's state.
    template <class Job, class Land>
    void run(Job job, Land land) {
        queue_.async([&mainThread = mainThread_, alive = std::weak_ptr<const bool>(lifetime_), job = std::move(job),
                      land = std::move(land)]() mutable {
            auto result = job();
            mainThread.post([alive = std::move(alive), land = std::move(land), result = std::move(result)]() mutable {
                // Read on the main thread only, where the hand-off is destroyed.
                if (alive.expired()) return;
                land(std::move(result));
            });
        });
    }

    // A function for a job to hand values to `land` on the main thread while it still runs,
    // in the order given and before the job's result; dropped, as results are, once this
    // hand-off is gone. Safe to call from any thread.
    template <class Value, class Land>
    std::function<void(const Value&)> relay(Land land) {
        return [&mainThread = mainThread_, alive = std::weak_ptr<const bool>(lifetime_),
                land = std::move(land)](const Value& value) {
            mainThread.post([alive, land, value] {
                if (alive.expired()) return;
                land(value);
            });
        };
    }

private:
    WorkQueue& queue_;
    MainThread& mainThread_;
    std::shared_ptr<const bool> lifetime_ = std::make_shared<const bool>(true);
};

}  // namespace tamsel
