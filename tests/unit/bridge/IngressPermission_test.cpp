// The permission document of the ingress lock, and reading a group's rules against it.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/IngressPermission.h"
#include "support/FailurePrinting.h"

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

// --- how described rules stand to the lock rule ----------------------------------------

namespace tamsel {
namespace {

struct DescribedRules {
    const char* name;
    const char* permissions;  // as the tool describes a group's IpPermissions
    LockRule lockRule;        // for 203.0.113.7
    const char* others;       // what is left to revoke
};

// Keys and values the tool printed (ports, labels, empty lists, group pairs) stay as printed.
const DescribedRules kDescribedRules[] = {
    {"NoRules", "[]", LockRule::absent, "[]"},
    {"OnlyTheLockRule",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}],
                             "Ipv6Ranges": [], "PrefixListIds": [], "UserIdGroupPairs": []}])",
     LockRule::present, "[]"},
    {"LockRuleBesideOtherRanges",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "10.0.0.0/8"}, {"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}],
          "Ipv6Ranges": [{"CidrIpv6": "::/0"}]}])",
     LockRule::present,
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "10.0.0.0/8"}], "Ipv6Ranges": [{"CidrIpv6": "::/0"}]}])"},
    {"LockRangeLeftWithOnlyAGroupPair",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}],
          "UserIdGroupPairs": [{"GroupId": "sg-2", "UserId": "123456789012"}]}])",
     LockRule::present,
     R"([{"IpProtocol": "-1", "IpRanges": [], "UserIdGroupPairs": [{"GroupId": "sg-2", "UserId": "123456789012"}]}])"},
    {"AddressLabelledOtherwise",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "home"}]}])",
     LockRule::misdescribed, "[]"},
    {"AddressWithoutLabel", R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32"}]}])",
     LockRule::misdescribed, "[]"},
    {"AddressOnOnePortOnly",
     R"([{"IpProtocol": "tcp", "FromPort": 22, "ToPort": 22, "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}]}])",
     LockRule::absent,
     R"([{"IpProtocol": "tcp", "FromPort": 22, "ToPort": 22, "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}]}])"},
    {"WiderRangeOrAnotherAddress",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.0/24"}, {"CidrIp": "203.0.113.70/32"}, {"CidrIp": "203.0.113.7"}]}])",
     LockRule::absent,
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.0/24"}, {"CidrIp": "203.0.113.70/32"}, {"CidrIp": "203.0.113.7"}]}])"},
    {"PortsAndIcmpKeptAsPrinted",
     R"([{"IpProtocol": "icmp", "FromPort": -1, "ToPort": -1, "IpRanges": [{"CidrIp": "0.0.0.0/0", "Description": "ping é"}],
          "Ipv6Ranges": [], "PrefixListIds": [{"PrefixListId": "pl-1"}], "UserIdGroupPairs": []},
         {"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}]}])",
     LockRule::present,
     R"([{"IpProtocol": "icmp", "FromPort": -1, "ToPort": -1, "IpRanges": [{"CidrIp": "0.0.0.0/0", "Description": "ping é"}],
          "Ipv6Ranges": [], "PrefixListIds": [{"PrefixListId": "pl-1"}], "UserIdGroupPairs": []}])"},
    {"PermissionAdmittingNothingIsDropped", R"([{"IpProtocol": "tcp", "FromPort": 1, "ToPort": 2, "IpRanges": []}])",
     LockRule::absent, "[]"},
};

void PrintTo(const DescribedRules& rules, std::ostream* out) { *out << rules.name; }

class DescribedRulesTest : public testing::TestWithParam<DescribedRules> {};

TEST_P(DescribedRulesTest, TellTheLockRuleAndTheRestToRevoke) {
    const auto permissions = nlohmann::json::parse(GetParam().permissions);
    EXPECT_EQ(lockRuleIn(permissions, "203.0.113.7"), GetParam().lockRule);
    EXPECT_EQ(permissionsOtherThanLockRule(permissions, "203.0.113.7"), nlohmann::json::parse(GetParam().others));
}

INSTANTIATE_TEST_SUITE_P(Rules, DescribedRulesTest, testing::ValuesIn(kDescribedRules),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DescribedRulesTest, AnotherShapeIsAnUnexpectedResponse) {
    for (const char* text : {"{}", R"(["tcp"])", R"([{"IpProtocol": "-1", "IpRanges": {"CidrIp": "1.2.3.4/32"}}])",
                             R"([{"IpProtocol": "-1", "IpRanges": ["203.0.113.7/32"]}])"}) {
        const auto permissions = nlohmann::json::parse(text);
        for (const auto& read :
             std::vector<std::function<void()>>{[&] { lockRuleIn(permissions, "203.0.113.7"); },
                                                [&] { permissionsOtherThanLockRule(permissions, "203.0.113.7"); }}) {
            try {
                read();
                ADD_FAILURE() << "no error for " << text;
            } catch (const AWSError& e) {
                EXPECT_EQ(e, AWSError::failed(UnexpectedShape{})) << text;
            }
        }
    }
}

}  // namespace
}  // namespace tamsel
