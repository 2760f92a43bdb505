// The ingress lock, run through the real aws tool against the EC2 emulator: whatever
// rules a group holds, afterwards it admits exactly one address.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bridge/AWSError.h"
#include "integration/EmulatedCloud.h"

namespace tamsel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::SizeIs;

const std::string kRulesQuery = "SecurityGroups[0].IpPermissions";

Call describeRulesCall(const std::string& group) {
    return {"ec2", "describe-security-groups", "--group-ids", group, "--query", kRulesQuery, "--output", "json",
            "--no-cli-pager", "--cli-binary-format", "base64", "--region", "us-east-1"};
}

class IngressTest : public EmulatedCloud {
protected:
    // The group's inbound rules are exactly one: all protocols from `address`/32, labelled.
    void expectLockedTo(const std::string& group, const std::string& address) const {
        const auto rules = ingressOf(group);
        ASSERT_THAT(rules, SizeIs(1)) << rules.dump(2);
        const auto& rule = rules[0];
        EXPECT_EQ(rule.value("IpProtocol", ""), "-1");
        EXPECT_FALSE(rule.contains("FromPort") || rule.contains("ToPort")) << rule.dump(2);
        EXPECT_EQ(rule["IpRanges"],
                  nlohmann::json::parse(R"([{"CidrIp":")" + address + R"(/32","Description":"Orvane for Mac"}])"));
        for (const char* other : {"Ipv6Ranges", "UserIdGroupPairs", "PrefixListIds"})
            EXPECT_TRUE(rule.value(other, nlohmann::json::array()).empty()) << other << " in " << rule.dump(2);
    }

    // An AWSCLI as the application holds it, with the region chosen.
    std::unique_ptr<AWSCLI> cli() const {
        auto cli = std::make_unique<AWSCLI>(options());
        cli->setRegion("us-east-1");
        return cli;
    }
};

TEST_F(IngressTest, ReplacesRulesOfEveryKindByOneRuleForTheAddress) {
    const auto group = createGroup("web");
    const auto peer = createGroup("admin");
    // Ports from address ranges, ICMP, another group, an IPv6 range.
    const std::string rules = R"([
        {"IpProtocol": "tcp", "FromPort": 8000, "ToPort": 8080,
         "IpRanges": [{"CidrIp": "10.0.0.0/8", "Description": "office"}, {"CidrIp": "192.168.1.0/24"}]},
        {"IpProtocol": "icmp", "FromPort": -1, "ToPort": -1, "IpRanges": [{"CidrIp": "0.0.0.0/0"}]},
        {"IpProtocol": "tcp", "FromPort": 22, "ToPort": 22, "UserIdGroupPairs": [{"GroupId": ")" + peer + R"("}]},
        {"IpProtocol": "udp", "FromPort": 53, "ToPort": 53,
         "Ipv6Ranges": [{"CidrIpv6": "2001:db8::/32", "Description": "v6 resolvers"}]}
    ])";
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions", rules});
    ASSERT_THAT(ingressOf(group), SizeIs(4));
    // What the describe step prints; the revoke step must hand it back unchanged.
    const auto printed = aws({"ec2", "describe-security-groups", "--group-ids", group, "--query", kRulesQuery,
                              "--output", "json"});

    cli()->restrictIngress(group, "203.0.113.7");

    expectLockedTo(group, "203.0.113.7");
    const auto calls = loggedCalls();
    ASSERT_THAT(calls, SizeIs(3));
    EXPECT_EQ(calls[0], describeRulesCall(group));
    // The new rule first, then the old ones go.
    ASSERT_THAT(calls[1], SizeIs(13));
    EXPECT_EQ(calls[1][1], "authorize-security-group-ingress");
    EXPECT_EQ(calls[1][3], group);
    EXPECT_EQ(calls[2], (Call{"ec2", "revoke-security-group-ingress", "--group-id", group, "--ip-permissions", printed,
                              "--output", "json", "--no-cli-pager", "--cli-binary-format", "base64", "--region", "us-east-1"}));
}

TEST_F(IngressTest, LockingAgainReplacesTheOldAddressWithoutDuplicates) {
    const auto group = createGroup("web");
    const auto cli = this->cli();

    cli->restrictIngress(group, "198.51.100.20");
    cli->restrictIngress(group, "198.51.100.20");
    expectLockedTo(group, "198.51.100.20");
    cli->restrictIngress(group, "192.0.2.1");
    expectLockedTo(group, "192.0.2.1");

    EXPECT_THAT(loggedOperations(),
                ElementsAre("describe-security-groups", "authorize-security-group-ingress",  //
                            "describe-security-groups",                                      //
                            "describe-security-groups", "authorize-security-group-ingress",
                            "revoke-security-group-ingress"));
}

TEST_F(IngressTest, AGroupWithoutRulesIsOnlyAuthorized) {
    const auto group = createGroup("empty");
    ASSERT_TRUE(ingressOf(group).empty());

    cli()->restrictIngress(group, "203.0.113.250");

    expectLockedTo(group, "203.0.113.250");
    EXPECT_THAT(loggedOperations(), ElementsAre("describe-security-groups", "authorize-security-group-ingress"));
}

TEST_F(IngressTest, AMissingGroupFailsAtTheDescribeStepAndChangesNothing) {
    const std::string missing = "sg-0123456789abcdef0";

    try {
        cli()->restrictIngress(missing, "203.0.113.7");
        FAIL() << "restrictIngress of a missing group did not throw";
    } catch (const AWSError& e) {
        EXPECT_EQ(e.kind(), AWSError::Kind::failed);
        EXPECT_EQ(e.summary(), "セキュリティグループが見つかりません");
        EXPECT_EQ(e.hint(), "インスタンスの「起動時に SG を自分の IP 専用にする」を選び直してください");
        EXPECT_THAT(e.text(), ::testing::HasSubstr("InvalidGroup.NotFound"));
    }
    EXPECT_THAT(loggedCalls(), ElementsAre(describeRulesCall(missing)));
}

// --- the end state, from each kind of rule the address may already have -----------------

const std::string kAddress = "203.0.113.7";

struct StartingRules {
    const char* name;
    const char* rules;  // authorized before the lock, as --ip-permissions
    std::vector<std::string> operations;  // the lock's calls after describe-security-groups
};

const StartingRules kStartingRules[] = {
    {"AddressLabelledOtherwiseBesideOtherRules",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "home"}]},
         {"IpProtocol": "tcp", "FromPort": 443, "ToPort": 443, "IpRanges": [{"CidrIp": "0.0.0.0/0"}]}])",
     {"update-security-group-rule-descriptions-ingress", "revoke-security-group-ingress"}},
    {"AddressWithoutLabel", R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32"}]}])",
     {"update-security-group-rule-descriptions-ingress"}},
    {"LockedRangeAmongOthersOfAllProtocols",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "10.0.0.0/8"}, {"CidrIp": "203.0.113.7/32", "Description": "Orvane for Mac"}]}])",
     {"revoke-security-group-ingress"}},
};

void PrintTo(const StartingRules& start, std::ostream* out) { *out << start.name; }

class IngressEndState : public IngressTest, public ::testing::WithParamInterface<StartingRules> {};

TEST_P(IngressEndState, IsOneLabelledRuleForTheAddressReachedWithoutRemovingIt) {
    const auto& start = GetParam();
    const auto group = createGroup("web");
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions", start.rules});

    cli()->restrictIngress(group, kAddress);

    expectLockedTo(group, kAddress);
    std::vector<std::string> operations = {"describe-security-groups"};
    operations.insert(operations.end(), start.operations.begin(), start.operations.end());
    EXPECT_EQ(loggedOperations(), operations);
}

INSTANTIATE_TEST_SUITE_P(Rules, IngressEndState, ::testing::ValuesIn(kStartingRules),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tamsel::test
