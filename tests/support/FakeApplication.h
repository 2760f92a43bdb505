#pragma once
// An application whose clock the test sets and whose quits are counted.

#include <chrono>

#include "app/Platform.h"

namespace tamsel::test {

class FakeApplication final : public Application {
public:
    void quit() override { ++quits; }
    std::chrono::system_clock::time_point now() const override { return clock; }

    int quits = 0;
    std::chrono::system_clock::time_point clock{std::chrono::seconds(1'700'000'000)};
};

}  // namespace tamsel::test
