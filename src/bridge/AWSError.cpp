#include "bridge/AWSError.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <iterator>
#include <utility>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace tamsel {
namespace {

// Unicode default lower-casing (the root locale), so that any case of a code matches.
std::string lowercased(std::string_view text) {
    icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

bool containsAny(const std::string& haystack, std::initializer_list<std::string_view> needles) {
    for (std::string_view needle : needles) {
        if (haystack.find(needle) != std::string::npos) return true;
    }
    return false;
}

// The first row of the table: an expired token, of a single sign-on session or not.
bool expired(const std::string& lowered) {
    return containsAny(lowered, {"expiredtoken", "token has expired", "sso session", "error loading sso token",
                                 "token for sso", "refresh token"});
}

}  // namespace

std::optional<std::string> mfaDeviceAskedFor(std::string_view message) {
    constexpr std::string_view kPrompt = "Enter MFA code for ";
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back()))) message.remove_suffix(1);
    const size_t at = message.rfind(kPrompt);
    if (at == std::string_view::npos || message.back() != ':') return std::nullopt;
    const std::string_view device = message.substr(at + kPrompt.size(), message.size() - at - kPrompt.size() - 1);
    const bool oneWord = std::none_of(device.begin(), device.end(),
                                      [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    if (device.empty() || !oneWord) return std::nullopt;
    return std::string(device);
}

FailureCause classify(std::string_view message) {
    // Before the table: the warnings printed above the prompt may hold any of its words.
    if (mfaDeviceAskedFor(message)) return FailureCause::mfaCodeNeeded;
    const std::string m = lowercased(message);

    if (expired(m)) {
        return m.find("sso") != std::string::npos ? FailureCause::expiredSSOSession : FailureCause::expiredCredentials;
    }
    if (containsAny(m, {"unable to locate credentials", "nocredentials", "no credentials"})) {
        return FailureCause::noCredentials;
    }
    if (containsAny(m, {"authfailure", "invalidclienttokenid", "signaturedoesnotmatch", "unrecognizedclientexception",
                        "security token included in the request is invalid",
                        "not able to validate the provided access credentials"})) {
        return FailureCause::authenticationFailed;
    }
    if (containsAny(m, {"unauthorizedoperation", "accessdenied", "not authorized", "unauthorizedaccess"})) {
        return FailureCause::noPermission;
    }
    if (m.find("could not be found") != std::string::npos && m.find("profile") != std::string::npos) {
        return FailureCause::noProfile;
    }
    if (containsAny(m, {"you must specify a region", "noregion"})) return FailureCause::noRegion;
    if (containsAny(m, {"could not connect", "endpointconnectionerror", "connect timeout", "name or service not known",
                        "nodename nor servname", "read timeout", "ssl validation failed"})) {
        return FailureCause::noConnection;
    }
    if (m.find("invalidgroup.notfound") != std::string::npos) return FailureCause::noSecurityGroup;
    if (m.find("incorrectinstancestate") != std::string::npos) return FailureCause::wrongInstanceState;
    // RequestLimitExceeded (EC2), Throttling and ThrottlingException (other services).
    if (containsAny(m, {"requestlimitexceeded", "throttling"})) return FailureCause::throttled;
    if (m.find("insufficientinstancecapacity") != std::string::npos) return FailureCause::noCapacity;
    if (m.find("failed to connect to proxy url") != std::string::npos) return FailureCause::noProxy;
    return FailureCause::other;
}

AWSError::AWSError(Kind kind, std::string text, FailureCause cause, std::optional<FailureFact> fact)
    : kind_(kind), text_(std::move(text)), cause_(cause), fact_(std::move(fact)) {}

AWSError AWSError::cliNotFound() { return AWSError(Kind::cliNotFound, {}, FailureCause::other); }
AWSError AWSError::failed(std::string message) {
    const FailureCause cause = classify(message);
    std::string device = mfaDeviceAskedFor(message).value_or("");
    AWSError error(Kind::failed, std::move(message), cause);
    error.mfaDevice_ = std::move(device);
    return error;
}
// A fact carries no text of the tool's, so there is nothing to sort: its cause is `other`.
AWSError AWSError::failed(FailureFact fact) { return AWSError(Kind::failed, {}, FailureCause::other, std::move(fact)); }
AWSError AWSError::ipLookupFailed(std::string reason) {
    return AWSError(Kind::ipLookupFailed, std::move(reason), FailureCause::other);
}
AWSError AWSError::ipLookupFailed(FailureFact fact) {
    return AWSError(Kind::ipLookupFailed, {}, FailureCause::other, std::move(fact));
}

const char* AWSError::what() const noexcept {
    if (kind_ == Kind::cliNotFound) return "aws not found";
    if (!fact_) return text_.c_str();
    constexpr const char* kFacts[] = {
        "aws ended without a message", "unexpected answer",      "not an address",       "answer too large",
        "library not loaded",          "library symbol missing", "child process not run"};
    static_assert(std::size(kFacts) == std::variant_size_v<FailureFact>);
    return kFacts[fact_->index()];
}

}  // namespace tamsel
