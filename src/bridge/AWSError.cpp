#include "bridge/AWSError.h"

#include <initializer_list>
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

FailureCause classify(std::string_view message) {
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

AWSError::AWSError(Kind kind, std::string text, FailureCause cause)
    : kind_(kind), text_(std::move(text)), cause_(cause) {}

AWSError AWSError::cliNotFound() { return AWSError(Kind::cliNotFound, {}, FailureCause::other); }
AWSError AWSError::failed(std::string message) {
    const FailureCause cause = classify(message);
    return AWSError(Kind::failed, std::move(message), cause);
}
AWSError AWSError::ipLookupFailed(std::string reason) {
    return AWSError(Kind::ipLookupFailed, std::move(reason), FailureCause::other);
}

const char* AWSError::what() const noexcept { return kind_ == Kind::cliNotFound ? "aws not found" : text_.c_str(); }

}  // namespace tamsel
