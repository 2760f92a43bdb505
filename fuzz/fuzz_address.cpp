// The address check: whatever it accepts comes back as a plain dotted-decimal IPv4
// address that the check accepts unchanged; whatever it refuses is an ipLookupFailed.

#include <optional>
#include <variant>

#include "FuzzCheck.h"
#include "bridge/AWSError.h"
#include "bridge/AddressLookup.h"

namespace {

// Four pieces of 1 to 3 digits, each at most 255, no leading zero (except "0" itself).
bool isPlainIPv4(const std::string& address) {
    int pieces = 0;
    size_t i = 0;
    while (true) {
        const size_t start = i;
        unsigned value = 0;
        while (i < address.size() && address[i] >= '0' && address[i] <= '9') {
            value = value * 10 + static_cast<unsigned>(address[i] - '0');
            if (i - start >= 3) return false;
            ++i;
        }
        const size_t length = i - start;
        if (length == 0 || value > 255 || (length > 1 && address[start] == '0')) return false;
        ++pieces;
        if (i == address.size()) return pieces == 4;
        if (address[i] != '.' || pieces == 4) return false;
        ++i;
    }
}

void checkAddress(const std::string& address) {
    FUZZ_CHECK(isPlainIPv4(address));
    FUZZ_CHECK(tamsel::normalizedIPv4(address) == address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const std::optional<std::string> normalized = tamsel::normalizedIPv4(text);
    if (normalized) checkAddress(*normalized);

    for (const std::optional<std::string>& transportError :
         {std::optional<std::string>(), std::optional<std::string>("Connection reset by peer")}) {
        try {
            const std::string address = tamsel::addressFromResponse(text, transportError);
            checkAddress(address);
            // An address as given needs no trimming, so both readings agree.
            if (normalized) FUZZ_CHECK(address == *normalized);
        } catch (const tamsel::AWSError& error) {
            FUZZ_CHECK(error.kind() == tamsel::AWSError::Kind::ipLookupFailed);
            FUZZ_CHECK(!normalized);
            if (transportError) {
                FUZZ_CHECK(error.text() == *transportError);
            } else {
                FUZZ_CHECK(error.fact() && std::holds_alternative<tamsel::NotAnAddress>(*error.fact()));
            }
        }
    }
    return 0;
}
