#pragma once
// Signing in again from the menu: "aws sso login" on a queue of its own, beside the work
// queue, since the tool waits minutes for the user in the browser while listings and
// actions go on. One sign-in at a time; success lists at once, failure is alerted.
// Where the tool cannot open a browser, what it asks the user to do is kept while it waits,
// for the menu, and told once in a notification.

#include <functional>
#include <optional>
#include <string_view>

#include "app/HandOff.h"
#include "app/Platform.h"
#include "app/Redraw.h"
#include "app/RefreshCycle.h"
#include "bridge/CloudGateway.h"

namespace tamsel {

class SignIn {
public:
    // Everything given must outlive the sign-in, and `queue` must have finished or dropped
    // its jobs before `cli` goes. `redraw` is called when running() or prompt() changes.
    SignIn(WorkQueue& queue, MainThread& mainThread, CloudGateway& cli, Alerts& alerts, Notifications& notifications,
           RefreshCycle& refreshCycle, Redraw redraw);

    // Starts "aws sso login" for the profile of `chosen` unless one is under way.
    void begin(const CallTarget& chosen);
    bool running() const { return running_; }
    // Where to sign in and the code to enter, once the tool has printed them; absent when
    // no sign-in runs.
    const std::optional<SignInPrompt>& prompt() const { return prompt_; }

private:
    void prompted(const SignInPrompt& prompt);

    CloudGateway& cli_;
    Alerts& alerts_;
    Notifications& notifications_;
    RefreshCycle& refreshCycle_;
    Redraw redraw_;
    bool running_ = false;
    std::optional<SignInPrompt> prompt_;
    // A result landing after the sign-in (and with it the controller) is gone is dropped.
    HandOff handOff_;
};

}  // namespace tamsel
