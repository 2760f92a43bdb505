#pragma once
// A failure as the controller keeps and shows it: what kind of failure, why (sorted once),
// and the text that came with it. And the one way a job's exception becomes one.

#include <functional>
#include <optional>
#include <string>

#include "bridge/AWSError.h"

namespace tamsel {

class Failure {
public:
    enum class Kind {
        cliNotFound,          // no aws tool was found
        toolFailed,           // a call of the tool failed, or its answer could not be used
        addressLookupFailed,  // the machine's public address was not obtained
        unexpected,           // anything else a job threw: a child not started, JSON not read
    };

    // An AWS failure as it is shown: implicit, since every AWSError is one.
    Failure(const AWSError& error);  // NOLINT(google-explicit-constructor)
    // Not an AWS failure; `description` says what went wrong. Sorted as a tool's text, since
    // it may quote one.
    static Failure unexpected(std::string description);

    Kind kind() const noexcept { return kind_; }
    // Why the tool failed (also what an unexpected failure's text reads as); `other` for the
    // two fixed kinds.
    FailureCause cause() const noexcept { return cause_; }
    // The tool's message, the lookup's reason, the bridge's fact as FailureText words it, or
    // the unexpected failure's description.
    const std::string& text() const noexcept { return text_; }
    // Whether signing in again ("aws sso login") would mend it.
    bool needsSSOLogin() const noexcept { return cause_ == FailureCause::expiredSSOSession; }

    bool operator==(const Failure&) const = default;

private:
    Failure(Kind kind, FailureCause cause, std::string text);

    Kind kind_;
    FailureCause cause_;
    std::string text_;
};

// The exception being handled, as a Failure: an AWSError by its kind, a ProcessFailure as
// the catalog words it, any other std::exception by its what(), anything else with a fixed text. Call only inside a
// catch block.
Failure caughtFailure();

// Runs `job` and returns what it threw, or nothing when it returned.
std::optional<Failure> failureOf(const std::function<void()>& job);

}  // namespace tamsel
