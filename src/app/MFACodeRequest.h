#pragma once
// Calls that fail because the profile's role wants an MFA code: the user is asked for it
// in one dialog, and the call runs once more with the code on the tool's standard input.
// The tool then keeps the role's credentials in its own cache, so the calls after it need
// no code until those expire.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Failure.h"
#include "app/HandOff.h"
#include "app/Platform.h"
#include "bridge/CloudGateway.h"

namespace tamsel {

class MFACodeRequest {
public:
    // All must outlive every call run here.
    MFACodeRequest(HandOff& handOff, CloudGateway& cli, Alerts& alerts)
        : handOff_(handOff), cli_(cli), alerts_(alerts) {}
    MFACodeRequest(const MFACodeRequest&) = delete;
    MFACodeRequest& operator=(const MFACodeRequest&) = delete;

    // Runs `job` through the hand-off and lands its result with `land`, as HandOff::run.
    // When `failureIn(result)` says the tool wants an MFA code, the user is asked first
    // and, given a code, `job` runs once more with it and only that result lands; without
    // one the first result lands. `job` may run twice, so it must not consume what it holds.
    template <class Job, class FailureIn, class Land>
    void run(Job job, FailureIn failureIn, Land land) {
        auto shared = std::make_shared<Job>(std::move(job));
        auto firstRun = [shared] { return (*shared)(); };
        auto landed = [this, shared, codesBefore = codesGiven_, failureIn = std::move(failureIn),
                       land = std::move(land)](auto result) {
            const std::optional<Failure>& failure = failureIn(result);
            if (!failure || !wantsCode(*failure)) {
                land(std::move(result));
                return;
            }
            auto landAsIs = [land, result]() mutable { land(std::move(result)); };
            auto runAgain = [this, shared, land](const Code& code) {
                auto withCode = [&cli = cli_, shared, code] {
                    cli.giveMFACode(code);
                    auto again = (*shared)();
                    cli.giveMFACode(std::nullopt);  // not left for a call it was not meant for
                    return again;
                };
                handOff_.run(std::move(withCode), land);
            };
            landWanting(failure->mfaDevice(), codesBefore, std::move(landAsIs), std::move(runAgain));
        };
        handOff_.run(std::move(firstRun), std::move(landed));
    }

    // The user asked for a listing or an operation: a call that wants a code asks for it
    // again, though the last dialog was cancelled.
    void userAsked() { declined_ = false; }

private:
    using Code = std::optional<std::string>;  // absent when the user cancelled
    using Answered = std::function<void(const Code&)>;
    using Rerun = Answered;

    static bool wantsCode(const Failure& failure) {
        return failure.kind() == Failure::Kind::toolFailed && failure.cause() == FailureCause::mfaCodeNeeded;
    }
    // A call queued when `codesBefore` codes had been given failed for want of the code of
    // `device`: `runAgain` it (with the code, or none when one was given meanwhile), or
    // `landAsIs` when the user cancels or has cancelled.
    void landWanting(const std::string& device, std::size_t codesBefore, std::function<void()> landAsIs,
                     Rerun runAgain);
    // Asks for the code of `device`, unless the dialog is open already, and tells `answered`.
    void whenAnswered(const std::string& device, Answered answered);

    HandOff& handOff_;
    CloudGateway& cli_;
    Alerts& alerts_;
    bool asking_ = false;
    // Cancelled: the calls that want a code fail as they are until the user asks for one.
    bool declined_ = false;
    std::size_t codesGiven_ = 0;
    std::vector<Answered> waiting_;
};

}  // namespace tamsel
