#pragma once
// The user at the screen or away, switched by the test as a screen lock or a sleep would.

#include <functional>
#include <utility>

#include "app/Platform.h"

namespace tamsel::test {

class FakeSessionActivity final : public SessionActivity {
public:
    bool away() const override { return away_; }
    void setListener(std::function<void()> changed) override { changed_ = std::move(changed); }

    // Tells the listener, also when nothing changed: desktops repeat their signals.
    void set(bool away) {
        away_ = away;
        if (changed_) changed_();
    }
    bool listening() const { return static_cast<bool>(changed_); }

private:
    bool away_ = false;
    std::function<void()> changed_;
};

}  // namespace tamsel::test
