// The sorting of the tool's failure texts: any bytes (invalid UTF-8 included) have a
// cause, and a failed call keeps its message byte for byte beside the cause it was given.

#include "FuzzCheck.h"
#include "bridge/AWSError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view message = fuzz::asText(data, size);
    const tamsel::FailureCause cause = tamsel::classify(message);
    FUZZ_CHECK(cause <= tamsel::FailureCause::other);

    const tamsel::AWSError error = tamsel::AWSError::failed(std::string(message));
    FUZZ_CHECK(error.cause() == cause);
    FUZZ_CHECK(error.text() == message);
    return 0;
}
