#pragma once
// A failure as the controller keeps it: what kind of failure, why (sorted once), and the
// text or the facts that came with it; FailureText words it for the user. And the one way
// a job's exception becomes one.

#include <functional>
#include <optional>
#include <string>

#include "bridge/AWSError.h"
#include "bridge/FailureFact.h"

namespace tamsel {

class ProcessFailure;

class Failure {
public:
    enum class Kind {
        cliNotFound,          // no aws tool was found
        toolFailed,           // a call of the tool failed, or its answer could not be used
        addressLookupFailed,  // the machine's public address was not obtained
        unexpected,           // anything else a job threw: a child not started, JSON not read
        settingsNotSaved,     // a setting could not be written to the settings file
    };

    // An AWS failure as it is shown: implicit, since every AWSError is one.
    Failure(const AWSError& error);  // NOLINT(google-explicit-constructor)
    // Not an AWS failure; `description` says what went wrong. Sorted as a tool's text, since
    // it may quote one.
    static Failure unexpected(std::string description);
    // A child process that could not be started or followed, kept as its facts.
    static Failure processNotRun(const ProcessFailure& error);
    // The settings file `file` did not take a write, for the system's `reason` (the text).
    static Failure settingsNotSaved(std::string file, std::string reason);

    Kind kind() const noexcept { return kind_; }
    // Why the tool failed (also what an unexpected failure's text reads as); `other` for the
    // fixed kinds and an unsaved setting.
    FailureCause cause() const noexcept { return cause_; }
    // The tool's message, the lookup's reason, the unexpected failure's description, or why
    // the settings file was not written; empty when the failure came as a fact instead.
    const std::string& text() const noexcept { return text_; }
    // What the bridge reported without a text: how the tool ended, an answer of the wrong
    // shape, a child process not run, ...
    const std::optional<FailureFact>& fact() const noexcept { return fact_; }
    // The settings file that was not written; empty for the other kinds.
    const std::string& file() const noexcept { return file_; }
    // The MFA device whose code the call wants (a `mfaCodeNeeded` failure); empty otherwise.
    const std::string& mfaDevice() const noexcept { return mfaDevice_; }
    // Whether signing in again ("aws sso login") would mend it.
    bool needsSSOLogin() const noexcept { return cause_ == FailureCause::expiredSSOSession; }

    bool operator==(const Failure&) const = default;

private:
    Failure(Kind kind, FailureCause cause, std::string text, std::string file = {});

    Kind kind_;
    FailureCause cause_;
    std::string text_;
    std::optional<FailureFact> fact_;
    std::string file_;
    std::string mfaDevice_;
};

// The exception being handled, as a Failure: an AWSError by its kind, a ProcessFailure by
// its facts, any other std::exception by its what(), anything else with a fixed text. Call
// only inside a catch block.
Failure caughtFailure();

// Runs `job` and returns what it threw, or nothing when it returned.
std::optional<Failure> failureOf(const std::function<void()>& job);

}  // namespace tamsel
