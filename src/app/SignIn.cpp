#include "app/SignIn.h"

#include <optional>
#include <utility>

#include "app/AlertComposer.h"
#include "app/Failure.h"
#include "app/FailureText.h"

namespace tamsel {

SignIn::SignIn(WorkQueue& queue, MainThread& mainThread, CloudGateway& cli, Alerts& alerts,
               RefreshCycle& refreshCycle, Redraw redraw)
    : cli_(cli),
      alerts_(alerts),
      refreshCycle_(refreshCycle),
      redraw_(std::move(redraw)),
      handOff_(queue, mainThread) {}

void SignIn::begin() {
    if (running_) return;
    running_ = true;
    redraw_();
    handOff_.run(
        [&cli = cli_] { return failureOf([&] { cli.ssoLogin(); }); },
        [this](const std::optional<Failure>& failure) {
            running_ = false;
            redraw_();
            if (failure) {
                // The summary leads the body: the title only says that signing in failed.
                alerts_.run(failureAlert(*failure, std::string(kSignInFailedTitle), description(*failure)));
                return;
            }
            // The list shown failed for want of the session: list again under it now.
            refreshCycle_.refreshAfterOperation();
        });
}

}  // namespace tamsel
