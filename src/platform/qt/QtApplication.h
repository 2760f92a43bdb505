#pragma once
// The running Qt application as the controller sees it.

#include "app/Platform.h"

namespace tamsel {

class QtApplication final : public Application {
public:
    // Leaves the event loop; main() then returns.
    void quit() override;
    std::chrono::system_clock::time_point now() const override;
};

}  // namespace tamsel
