#pragma once
// The main thread and the work queues of unit tests: what is posted to them runs only
// when the test says so, in the order it came.

#include <deque>
#include <functional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "app/Platform.h"

namespace tamsel::test {

class HeldWork {
public:
    explicit HeldWork(std::string where) : where_(std::move(where)) {}

    std::size_t pending() const { return work_.size(); }
    void runNext() {
        ASSERT_FALSE(work_.empty()) << "nothing posted to " << where_;
        auto work = std::move(work_.front());
        work_.pop_front();
        work();
    }
    void runAll() {
        while (!work_.empty()) runNext();
    }

protected:
    void hold(std::function<void()> work) { work_.push_back(std::move(work)); }

private:
    std::string where_;
    std::deque<std::function<void()>> work_;
};

class ManualMainThread final : public MainThread, public HeldWork {
public:
    ManualMainThread() : HeldWork("the main thread") {}
    void post(std::function<void()> work) override { hold(std::move(work)); }
};

class ManualWorkQueue final : public WorkQueue, public HeldWork {
public:
    ManualWorkQueue() : HeldWork("the work queue") {}
    void async(std::function<void()> job) override { hold(std::move(job)); }
};

}  // namespace tamsel::test
