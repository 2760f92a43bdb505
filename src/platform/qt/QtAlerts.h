#pragma once
// Modal warning dialogs (AlertDialog), and the dialog asking for an MFA code.

#include "app/Platform.h"

namespace tamsel {

class QtAlerts final : public Alerts {
public:
    // Runs a modal box on the main thread: the title as its bold main text, the body
    // under it, the buttons in order (one "OK" when there are none), the first one the
    // default. Returns the chosen button's index, or -1 when the box was closed otherwise.
    int run(const Alert& alert) override;
    // Runs the modal MFACodeDialog; the code as entered, or absent when cancelled or closed.
    std::optional<std::string> ask(const CodeQuestion& question) override;
};

}  // namespace tamsel
