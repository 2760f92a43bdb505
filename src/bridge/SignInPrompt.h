#pragma once
// What "aws sso login" asks of the user when it prints where to sign in: the address to
// open and, in the device-code form of the tool's older versions, the code to enter there.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tamsel {

struct SignInPrompt {
    std::string url;
    std::optional<std::string> code;  // "ABCD-EFGH"; absent where the tool asks for none

    bool operator==(const SignInPrompt&) const = default;
};

// Reads one output stream of the tool as it arrives, piece by piece, and finds the prompt
// in it. The address is the first line that holds nothing but an https URL (so "Start
// URL: https://..." and other mentions are not taken); the code is the first line after
// it that holds nothing but four letters or digits, a hyphen and four more. A line is
// read once its line feed has arrived; a line longer than any prompt's is skipped.
class SignInPromptReader {
public:
    // Takes the next piece of output; true when it changed prompt().
    bool take(std::string_view piece);
    const std::optional<SignInPrompt>& prompt() const { return prompt_; }

private:
    bool takeLine(std::string_view line);

    std::optional<SignInPrompt> prompt_;
    std::string partial_;    // the line not yet ended
    bool skipping_ = false;  // the line under way is too long to be a prompt
};

// The longest line looked at; the tool's longest address (a PKCE authorize URL) is well under it.
inline constexpr std::size_t kLongestPromptLine = 16 * 1024;

}  // namespace tamsel
