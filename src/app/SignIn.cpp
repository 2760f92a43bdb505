#include "app/SignIn.h"

#include <optional>
#include <utility>

#include "app/AlertComposer.h"
#include "app/Failure.h"
#include "app/FailureText.h"
#include "app/Wording.h"

namespace tamsel {

SignIn::SignIn(WorkQueue& queue, MainThread& mainThread, CloudGateway& cli, Alerts& alerts,
               Notifications& notifications, RefreshCycle& refreshCycle, Redraw redraw)
    : cli_(cli),
      alerts_(alerts),
      notifications_(notifications),
      refreshCycle_(refreshCycle),
      redraw_(std::move(redraw)),
      handOff_(queue, mainThread) {}

void SignIn::begin(const CallTarget& chosen) {
    if (running_) return;
    running_ = true;
    redraw_();
    auto relayed = handOff_.relay<SignInPrompt>([this](const SignInPrompt& p) { prompted(p); });
    handOff_.run(
        [&cli = cli_, target = chosen, prompted = std::move(relayed)] {
            return failureOf([&] { cli.ssoLogin(target, prompted); });
        },
        [this](const std::optional<Failure>& failure) {
            running_ = false;
            prompt_.reset();
            redraw_();
            if (failure) {
                // The summary leads the body: the title only says that signing in failed.
                alerts_.run(failureAlert(*failure, std::string(words::kSignInFailedTitle), description(*failure)));
                return;
            }
            // The list shown failed for want of the session: list again under it now.
            refreshCycle_.refreshAfterOperation();
        });
}

void SignIn::prompted(const SignInPrompt& prompt) {
    if (!running_) return;
    const bool first = !prompt_;
    prompt_ = prompt;
    redraw_();
    if (!first) return;
    // One notification per sign-in; the menu follows what comes later (a code after the address).
    notifications_.send(words::signInPrompt(prompt.code), prompt.url);
}

}  // namespace tamsel
