#pragma once
// The one error type of the cloud command bridge, and the sorting of the aws tool's
// failure texts into a Japanese summary and hint.

#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace tamsel {

// What the user is shown for a failure: a short summary and, where it helps, a hint.
struct Classification {
    std::string summary;
    std::optional<std::string> hint;

    bool operator==(const Classification&) const = default;
};

// Sorts a failure text of the aws tool by the fixed, ordered table of lower-case
// substrings. Pure; every message, the empty one included, yields a summary.
Classification classify(std::string_view message);

class AWSError : public std::exception {
public:
    enum class Kind { cliNotFound, failed, ipLookupFailed };

    static AWSError cliNotFound();
    static AWSError failed(std::string message);
    static AWSError ipLookupFailed(std::string reason);

    Kind kind() const noexcept { return kind_; }
    // The payload: the message of `failed`, the reason of `ipLookupFailed`, empty otherwise.
    const std::string& text() const noexcept { return text_; }

    std::string summary() const;
    std::optional<std::string> hint() const;
    // Whether the tool failed for an expired or missing single sign-on session, which
    // "aws sso login" renews.
    bool needsSSOLogin() const;
    // The summary, then a line feed and the hint when there is one.
    std::string errorDescription() const;

    // The same text as errorDescription().
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const AWSError& other) const noexcept {
        return kind_ == other.kind_ && text_ == other.text_;
    }

private:
    AWSError(Kind kind, std::string text);

    Kind kind_;
    std::string text_;
    std::string description_;
};

// Any error as the application shows it: an AWSError as it is, anything else as
// `failed` carrying the error's own description.
AWSError asAWSError(const std::exception& error);

}  // namespace tamsel
