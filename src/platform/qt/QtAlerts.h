#pragma once
// Modal warning dialogs (AlertDialog).

#include "app/Platform.h"

namespace tamsel {

class QtAlerts final : public Alerts {
public:
    // Runs a modal box on the main thread: the title as its bold main text, the body
    // under it, the buttons in order (one "OK" when there are none), the first one the
    // default. Returns the chosen button's index, or -1 when the box was closed otherwise.
    int run(const Alert& alert) override;
};

}  // namespace tamsel
