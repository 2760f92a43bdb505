// The permission document of the ingress lock.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge/IngressPermission.h"

namespace tamsel {
namespace {

TEST(IngressPermissionTest, OneRuleForAllProtocolsFromTheAddress) {
    const std::string text = ingressPermissionDocument("203.0.113.7");
    const nlohmann::json expected = nlohmann::json::parse(R"([{
        "IpProtocol": "-1",
        "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}]
    }])");
    EXPECT_EQ(nlohmann::json::parse(text), expected);
}

TEST(IngressPermissionTest, IsCompact) {
    const std::string text = ingressPermissionDocument("10.0.0.1");
    // The only blanks are those inside the description.
    std::string outside = text;
    outside.erase(outside.find("Orvane for Mac"), 14);
    EXPECT_EQ(outside.find_first_of(" \t\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace tamsel
