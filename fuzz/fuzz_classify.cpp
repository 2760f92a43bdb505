// The sorting of the tool's failure texts: any bytes (invalid UTF-8 included) give a
// summary, and a failed call's description starts with it.

#include "FuzzCheck.h"
#include "bridge/AWSError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view message = fuzz::asText(data, size);
    const tamsel::Classification classification = tamsel::classify(message);
    FUZZ_CHECK(!classification.summary.empty());
    FUZZ_CHECK(!classification.hint || !classification.hint->empty());

    const tamsel::AWSError error = tamsel::AWSError::failed(std::string(message));
    FUZZ_CHECK(error.summary() == classification.summary);
    const std::string description = error.errorDescription();
    FUZZ_CHECK(description.rfind(classification.summary, 0) == 0);
    FUZZ_CHECK(description == error.what());
    FUZZ_CHECK(fuzz::isUTF8(description));
    return 0;
}
