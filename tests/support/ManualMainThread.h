#pragma once
// Work posted to the main thread, run only when the test says so.

#include <deque>
#include <functional>

#include <gtest/gtest.h>

#include "app/Platform.h"

namespace tamsel::test {

// Runs posted work only when the test says so.
class ManualMainThread final : public MainThread {
public:
    void post(std::function<void()> work) override { work_.push_back(std::move(work)); }
    std::size_t pending() const { return work_.size(); }
    void runNext() {
        ASSERT_FALSE(work_.empty()) << "nothing posted to the main thread";
        auto work = std::move(work_.front());
        work_.pop_front();
        work();
    }
    void runAll() {
        while (!work_.empty()) runNext();
    }

private:
    std::deque<std::function<void()>> work_;
};

}  // namespace tamsel::test
