#pragma once
// Signing in again from the menu: "aws sso login" on a queue of its own, beside the work
// queue, since the tool waits minutes for the user in the browser while listings and
// actions go on. One sign-in at a time; success lists at once, failure is alerted.

#include <functional>
#include <string_view>

#include "app/CloudGateway.h"
#include "app/HandOff.h"
#include "app/Platform.h"
#include "app/Redraw.h"
#include "app/RefreshCycle.h"

namespace tamsel {

inline constexpr std::string_view kSignInFailedTitle = "サインインできませんでした";

class SignIn {
public:
    // Everything given must outlive the sign-in, and `queue` must have finished or dropped
    // its jobs before `cli` goes. `redraw` is called when running() changes.
    SignIn(WorkQueue& queue, MainThread& mainThread, CloudGateway& cli, Alerts& alerts, RefreshCycle& refreshCycle,
           Redraw redraw);

    // Starts "aws sso login" unless one is under way.
    void begin();
    bool running() const { return running_; }

private:
    CloudGateway& cli_;
    Alerts& alerts_;
    RefreshCycle& refreshCycle_;
    Redraw redraw_;
    bool running_ = false;
    // A result landing after the sign-in (and with it the controller) is gone is dropped.
    HandOff handOff_;
};

}  // namespace tamsel
