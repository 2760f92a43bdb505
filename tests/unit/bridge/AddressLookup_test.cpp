// The check of what the address endpoint answers.

#include <gtest/gtest.h>

#include "bridge/AWSError.h"
#include "bridge/AddressLookup.h"
#include "support/FailurePrinting.h"

namespace tamsel {
namespace {

struct AddressCase {
    const char* body;
    const char* address;  // nullptr: not an address
};

void PrintTo(const AddressCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.body)); }

class AddressCheckTest : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressCheckTest, AcceptsOnlyDottedDecimalIPv4) {
    const AddressCase& c = GetParam();
    if (c.address) {
        EXPECT_EQ(addressFromResponse(c.body, std::nullopt), c.address);
    } else {
        try {
            addressFromResponse(c.body, std::nullopt);
            ADD_FAILURE() << "accepted";
        } catch (const AWSError& error) {
            EXPECT_EQ(error.kind(), AWSError::Kind::ipLookupFailed);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, AddressCheckTest,
    testing::Values(AddressCase{"203.0.113.7", "203.0.113.7"}, AddressCase{"203.0.113.7\n", "203.0.113.7"},
                    AddressCase{" \t203.0.113.7\r\n\n", "203.0.113.7"},
                    AddressCase{"\u3000203.0.113.7\u00a0", "203.0.113.7"},  // Unicode white space trimmed
                    AddressCase{"0.0.0.0", "0.0.0.0"}, AddressCase{"255.255.255.255", "255.255.255.255"},
                    AddressCase{"010.001.000.7", "10.1.0.7"},  // leading zeros read as decimal
                    AddressCase{"00000000000000000000255.0.0.1", "255.0.0.1"}, AddressCase{"203.0.113", nullptr},
                    AddressCase{"203.0.113.7.1", nullptr}, AddressCase{"203..113.7", nullptr},
                    AddressCase{"203.0.113.", nullptr}, AddressCase{".203.0.113", nullptr},
                    AddressCase{"203.0.113.256", nullptr}, AddressCase{"203.0.113.99999999999999999999", nullptr},
                    AddressCase{"203.0. 113.7", nullptr}, AddressCase{"2001:db8::1", nullptr},
                    AddressCase{"+1.2.3.4", nullptr}, AddressCase{"1.2.3.+4", nullptr},
                    AddressCase{"-0.1.2.3", nullptr}, AddressCase{"1.2.3.-1", nullptr},
                    AddressCase{"0x1.2.3.4", nullptr}, AddressCase{"１.2.3.4", nullptr},  // full-width digit
                    AddressCase{"", nullptr}, AddressCase{"<html>203.0.113.7</html>", nullptr}));

TEST(AddressCheckTest, NormalizedAddressDoesNotTrim) {
    EXPECT_EQ(normalizedIPv4("192.168.001.010"), "192.168.1.10");
    EXPECT_EQ(normalizedIPv4("1.2.3.4\n"), std::nullopt);
}

std::string failureReason(std::string_view body, const std::optional<std::string>& transportError) {
    try {
        const std::string address = addressFromResponse(body, transportError);
        return "accepted " + address;
    } catch (const AWSError& error) {
        EXPECT_EQ(error.kind(), AWSError::Kind::ipLookupFailed);
        return describe(error);
    }
}

TEST(AddressResponseTest, UnexpectedAnswerCarriesTheTrimmedText) {
    EXPECT_EQ(failureReason("  203.0.113\n", std::nullopt), "[not an address: 203.0.113]");
    EXPECT_EQ(failureReason("", std::nullopt), "[not an address: ]");
    EXPECT_EQ(failureReason("\n", std::nullopt), "[not an address: ]");
    // Bytes that are not UTF-8 count as no text at all.
    EXPECT_EQ(failureReason("1.2.3.\xff", std::nullopt), "[not an address: ]");
}

TEST(AddressResponseTest, TransportErrorExplainsAnAnswerThatIsNoAddress) {
    EXPECT_EQ(failureReason("", std::string("Could not resolve host: checkip.amazonaws.com")),
              "Could not resolve host: checkip.amazonaws.com");
    EXPECT_EQ(failureReason("<html>", std::string("Operation timed out")), "Operation timed out");
}

TEST(AddressResponseTest, AddressWinsOverTransportError) {
    EXPECT_EQ(addressFromResponse("203.0.113.7\n", std::string("Operation timed out")), "203.0.113.7");
}

}  // namespace
}  // namespace tamsel
