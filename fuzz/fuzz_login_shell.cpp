// The login shell's answer to "command -v aws": a path, if any, is one non-empty line of
// valid UTF-8 that ends in no white space, taken from the end of the output.

#include "FuzzCheck.h"
#include "bridge/AWSCLI.h"
#include "bridge/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view output = fuzz::asText(data, size);
    const bool valid = fuzz::isUTF8(output);
    FUZZ_CHECK(tamsel::isValidUTF8(output) == valid);

    const std::optional<std::string> answer = tamsel::loginShellAnswer(output);
    if (!answer) return 0;
    FUZZ_CHECK(valid);
    FUZZ_CHECK(!answer->empty());
    FUZZ_CHECK(answer->find('\n') == std::string::npos);
    FUZZ_CHECK(fuzz::isUTF8(*answer));
    const auto [first, last] = fuzz::ends(*answer);
    FUZZ_CHECK(!fuzz::isWhiteSpace(last));
    // The last line is taken as it stands: it may begin with white space only when a line
    // feed stands right before it.
    const size_t at = output.rfind(*answer);
    FUZZ_CHECK(at != std::string_view::npos);
    if (fuzz::isWhiteSpace(first)) FUZZ_CHECK(at > 0 && output[at - 1] == '\n');
    // Only white space and line breaks follow it.
    FUZZ_CHECK(
        fuzz::decodeUTF8(output.substr(at + answer->size()), [](char32_t c) { FUZZ_CHECK(fuzz::isWhiteSpace(c)); }));
    return 0;
}
