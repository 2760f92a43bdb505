#pragma once
// The one error type of the aws tool's calls, and the sorting of the tool's failure texts
// into a fixed set of causes. What the user reads for each is the application's to word.

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/FailureFact.h"

namespace tamsel {

// Why a call of the aws tool failed, by the fixed, ordered table of lower-case substrings
// that the tool and the EC2 service put into their messages.
enum class FailureCause {
    expiredCredentials,    // an expired token that is not a single sign-on session's
    expiredSSOSession,     // an expired or missing single sign-on session: "aws sso login" renews it
    noCredentials,         // no credentials configured
    authenticationFailed,  // credentials that AWS does not accept
    noPermission,          // the policy does not allow the operation
    noProfile,             // the chosen profile does not exist
    noRegion,              // no region chosen or configured
    noConnection,          // the endpoint cannot be reached
    noSecurityGroup,       // the security group does not exist
    wrongInstanceState,    // the instance is not in a state the operation needs
    throttled,             // too many calls
    noCapacity,            // AWS has no capacity for the instance type
    noProxy,               // the configured proxy cannot be reached
    mfaCodeNeeded,         // the profile's role asks for an MFA code, and none was given
    other,                 // none of the above
};

// Sorts a failure text of the aws tool. Pure; every message, the empty one included, has a cause.
FailureCause classify(std::string_view message);

// The MFA device a failure text ends asking a code for ("Enter MFA code for ARN:", what the
// tool prints before it reads the code and finds none); absent when the text ends otherwise,
// as it does when a code was given and refused.
std::optional<std::string> mfaDeviceAskedFor(std::string_view message);

class AWSError : public std::exception {
public:
    enum class Kind { cliNotFound, failed, ipLookupFailed };

    static AWSError cliNotFound();
    // Sorts `message` once, here.
    static AWSError failed(std::string message);
    // A call that failed without a message of the tool's: how it ended, or what it answered.
    static AWSError failed(FailureFact fact);
    static AWSError ipLookupFailed(std::string reason);
    static AWSError ipLookupFailed(FailureFact fact);

    Kind kind() const noexcept { return kind_; }
    // The payload: the message of `failed`, the reason of `ipLookupFailed`, empty otherwise
    // (and when a fact stands in for it).
    const std::string& text() const noexcept { return text_; }
    // What is known of a failure that came without a text.
    const std::optional<FailureFact>& fact() const noexcept { return fact_; }
    // Why a `failed` call failed; `other` for the other kinds.
    FailureCause cause() const noexcept { return cause_; }
    // The MFA device whose code a `mfaCodeNeeded` call wants; empty otherwise.
    const std::string& mfaDevice() const noexcept { return mfaDevice_; }

    // The payload, "aws not found", or what sort of fact: for debugging, not for the user.
    const char* what() const noexcept override;

    bool operator==(const AWSError& other) const noexcept {
        return kind_ == other.kind_ && text_ == other.text_ && fact_ == other.fact_;
    }

private:
    AWSError(Kind kind, std::string text, FailureCause cause, std::optional<FailureFact> fact = std::nullopt);

    Kind kind_;
    std::string text_;
    FailureCause cause_;
    std::optional<FailureFact> fact_;
    std::string mfaDevice_;
};

}  // namespace tamsel
