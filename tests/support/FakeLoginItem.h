#pragma once
// A login item that records its calls and can fail them.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Platform.h"

namespace tamsel::test {

class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    void enable() override {
        calls.push_back("enable");
        if (failure) throw std::runtime_error(*failure);
        enabled = true;
    }
    void disable() override {
        calls.push_back("disable");
        if (failure) throw std::runtime_error(*failure);
        enabled = false;
    }

    bool enabled = false;
    std::optional<std::string> failure;
    std::vector<std::string> calls;
};

}  // namespace tamsel::test
