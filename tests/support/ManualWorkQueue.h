#pragma once
// A work queue whose jobs run only when the test says so.

#include <deque>
#include <functional>

#include <gtest/gtest.h>

#include "app/Platform.h"

namespace tamsel::test {

class ManualWorkQueue final : public WorkQueue {
public:
    void async(std::function<void()> job) override { jobs_.push_back(std::move(job)); }
    std::size_t pending() const { return jobs_.size(); }
    void runNext() {
        ASSERT_FALSE(jobs_.empty()) << "no job queued";
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        job();
    }

private:
    std::deque<std::function<void()>> jobs_;
};

}  // namespace tamsel::test
