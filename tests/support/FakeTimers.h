#pragma once
// One-shot timers that fire only when the test fires them, and remember what was armed.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "app/Platform.h"

namespace tamsel::test {

class FakeTimers final : public Timers {
public:
    struct Armed {
        std::chrono::milliseconds interval;
        std::function<void()> fire;
        std::shared_ptr<bool> live;
    };

    std::unique_ptr<OneShotTimer> startOneShot(std::chrono::milliseconds interval,
                                               std::function<void()> fire) override {
        auto live = std::make_shared<bool>(true);
        started_.push_back({interval, std::move(fire), live});
        return std::make_unique<Handle>(live);
    }

    const std::vector<Armed>& started() const { return started_; }
    // The timers not yet disarmed nor fired.
    std::size_t armedCount() const {
        std::size_t count = 0;
        for (const Armed& timer : started_) count += *timer.live ? 1 : 0;
        return count;
    }
    std::chrono::milliseconds lastInterval() const { return started_.back().interval; }
    // Fires the most recently started timer, which must still be armed.
    void fireLast() {
        ASSERT_FALSE(started_.empty());
        Armed& timer = started_.back();
        ASSERT_TRUE(*timer.live) << "the last timer was disarmed";
        *timer.live = false;
        timer.fire();
    }

    // Fires the most recently started timer of `interval` that is still armed; false when
    // there is none.
    bool fireArmed(std::chrono::milliseconds interval) {
        for (auto timer = started_.rbegin(); timer != started_.rend(); ++timer) {
            if (!*timer->live || timer->interval != interval) continue;
            *timer->live = false;
            auto fire = timer->fire;  // firing may start timers, which moves the list
            fire();
            return true;
        }
        return false;
    }

private:
    class Handle final : public OneShotTimer {
    public:
        explicit Handle(std::shared_ptr<bool> live) : live_(std::move(live)) {}
        ~Handle() override { *live_ = false; }

    private:
        std::shared_ptr<bool> live_;
    };
    std::vector<Armed> started_;
};

}  // namespace tamsel::test
