#pragma once
// One-shot timers on the Qt event loop of the main thread.

#include "app/Platform.h"

namespace tamsel {

class QtTimers final : public Timers {
public:
    // The returned handle owns the timer: destroying it (also from inside `fire`) stops it.
    std::unique_ptr<OneShotTimer> startOneShot(std::chrono::milliseconds interval, std::function<void()> fire) override;
};

}  // namespace tamsel
