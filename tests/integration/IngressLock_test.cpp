// The ingress lock, run through the real aws tool against the EC2 emulator: whatever
// rules a group holds, afterwards it admits exactly one address; and a lock ended at any
// step, as quitting ends it, leaves the group its old rules, the new one or both.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iostream>
#include <thread>

#include "bridge/AWSError.h"
#include "bridge/ChildProcess.h"
#include "integration/EmulatedCloud.h"
#include "support/FailurePrinting.h"

namespace tamsel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::SizeIs;

const std::string kRulesQuery = "SecurityGroups[0].IpPermissions";
// Where every lock here runs: the region chosen, the profile left to the tool.
const CallTarget kTarget{std::nullopt, "us-east-1"};

Call describeRulesCall(const std::string& group) {
    return {"ec2",  "describe-security-groups", "--group-ids",         group,    "--query",  kRulesQuery, "--output",
            "json", "--no-cli-pager",           "--cli-binary-format", "base64", "--region", "us-east-1"};
}

// A group's inbound rules one per line, sorted: the protocol, its port range (when it has
// ports), the source, and the description in quotes (when there is one).
std::vector<std::string> ruleLines(const nlohmann::json& permissions) {
    std::vector<std::string> lines;
    for (const auto& permission : permissions) {
        std::string head = permission.value("IpProtocol", "?");
        if (permission.contains("FromPort"))
            head += " " + permission["FromPort"].dump() + "-" + permission.value("ToPort", nlohmann::json()).dump();
        const auto add = [&](const char* list, const char* key) {
            for (const auto& source : permission.value(list, nlohmann::json::array())) {
                std::string line = head + " " + source.value(key, "?");
                if (source.contains("Description")) line += " \"" + source.value("Description", "") + "\"";
                lines.push_back(std::move(line));
            }
        };
        add("IpRanges", "CidrIp");
        add("Ipv6Ranges", "CidrIpv6");
        add("UserIdGroupPairs", "GroupId");
        add("PrefixListIds", "PrefixListId");
    }
    std::sort(lines.begin(), lines.end());
    return lines;
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

    // An AWSCLI as the application holds it.
    std::unique_ptr<AWSCLI> cli() const { return std::make_unique<AWSCLI>(options()); }
};

TEST_F(IngressTest, ReplacesRulesOfEveryKindByOneRuleForTheAddress) {
    const auto group = createGroup("web");
    const auto peer = createGroup("admin");
    // Ports from address ranges, ICMP, another group, an IPv6 range.
    const std::string rules = R"([
        {"IpProtocol": "tcp", "FromPort": 8000, "ToPort": 8080,
         "IpRanges": [{"CidrIp": "10.0.0.0/8", "Description": "office"}, {"CidrIp": "192.168.1.0/24"}]},
        {"IpProtocol": "icmp", "FromPort": -1, "ToPort": -1, "IpRanges": [{"CidrIp": "0.0.0.0/0"}]},
        {"IpProtocol": "tcp", "FromPort": 22, "ToPort": 22, "UserIdGroupPairs": [{"GroupId": ")" +
                              peer + R"("}]},
        {"IpProtocol": "udp", "FromPort": 53, "ToPort": 53,
         "Ipv6Ranges": [{"CidrIpv6": "2001:db8::/32", "Description": "v6 resolvers"}]}
    ])";
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions", rules});
    ASSERT_THAT(ingressOf(group), SizeIs(4));
    // What the describe step prints; the revoke step must hand it back unchanged.
    const auto printed =
        aws({"ec2", "describe-security-groups", "--group-ids", group, "--query", kRulesQuery, "--output", "json"});

    cli()->restrictIngress(group, "203.0.113.7", kTarget);

    expectLockedTo(group, "203.0.113.7");
    const auto calls = loggedCalls();
    ASSERT_THAT(calls, SizeIs(3));
    EXPECT_EQ(calls[0], describeRulesCall(group));
    // The new rule first, then the old ones go.
    ASSERT_THAT(calls[1], SizeIs(13));
    EXPECT_EQ(calls[1][1], "authorize-security-group-ingress");
    EXPECT_EQ(calls[1][3], group);
    EXPECT_EQ(calls[2],
              (Call{"ec2", "revoke-security-group-ingress", "--group-id", group, "--ip-permissions", printed,
                    "--output", "json", "--no-cli-pager", "--cli-binary-format", "base64", "--region", "us-east-1"}));
}

TEST_F(IngressTest, LockingAgainReplacesTheOldAddressWithoutDuplicates) {
    const auto group = createGroup("web");
    const auto cli = this->cli();

    cli->restrictIngress(group, "198.51.100.20", kTarget);
    cli->restrictIngress(group, "198.51.100.20", kTarget);
    expectLockedTo(group, "198.51.100.20");
    cli->restrictIngress(group, "192.0.2.1", kTarget);
    expectLockedTo(group, "192.0.2.1");

    EXPECT_THAT(loggedOperations(), ElementsAre("describe-security-groups", "authorize-security-group-ingress",  //
                                                "describe-security-groups",                                      //
                                                "describe-security-groups", "authorize-security-group-ingress",
                                                "revoke-security-group-ingress"));
}

TEST_F(IngressTest, AGroupWithoutRulesIsOnlyAuthorized) {
    const auto group = createGroup("empty");
    ASSERT_TRUE(ingressOf(group).empty());

    cli()->restrictIngress(group, "203.0.113.250", kTarget);

    expectLockedTo(group, "203.0.113.250");
    EXPECT_THAT(loggedOperations(), ElementsAre("describe-security-groups", "authorize-security-group-ingress"));
}

TEST_F(IngressTest, AMissingGroupFailsAtTheDescribeStepAndChangesNothing) {
    const std::string missing = "sg-0123456789abcdef0";

    try {
        cli()->restrictIngress(missing, "203.0.113.7", kTarget);
        FAIL() << "restrictIngress of a missing group did not throw";
    } catch (const AWSError& e) {
        EXPECT_EQ(e.kind(), AWSError::Kind::failed);
        EXPECT_EQ(e.cause(), FailureCause::noSecurityGroup);
        EXPECT_THAT(e.text(), ::testing::HasSubstr("InvalidGroup.NotFound"));
    }
    EXPECT_THAT(loggedCalls(), ElementsAre(describeRulesCall(missing)));
}

// --- the end state, from each kind of rule the address may already have -----------------

const std::string kAddress = "203.0.113.7";

struct StartingRules {
    const char* name;
    const char* rules;                    // authorized before the lock, as --ip-permissions
    std::vector<std::string> operations;  // the lock's calls after describe-security-groups
};

const StartingRules kStartingRules[] = {
    {"AddressLabelledOtherwiseBesideOtherRules",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "home"}]},
         {"IpProtocol": "tcp", "FromPort": 443, "ToPort": 443, "IpRanges": [{"CidrIp": "0.0.0.0/0"}]}])",
     {"update-security-group-rule-descriptions-ingress", "revoke-security-group-ingress"}},
    {"AddressWithoutLabel",
     R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32"}]}])",
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

    cli()->restrictIngress(group, kAddress, kTarget);

    expectLockedTo(group, kAddress);
    std::vector<std::string> operations = {"describe-security-groups"};
    operations.insert(operations.end(), start.operations.begin(), start.operations.end());
    EXPECT_EQ(loggedOperations(), operations);
}

INSTANTIATE_TEST_SUITE_P(Rules, IngressEndState, ::testing::ValuesIn(kStartingRules),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a lock ended at each of its steps ---------------------------------------------------

const std::string kLockLine = R"(-1 203.0.113.7/32 "Orvane for Mac")";

// Rules from elsewhere, then the address already admitted under another label.
const char* const kOtherRules =
    R"([{"IpProtocol": "tcp", "FromPort": 22, "ToPort": 22, "IpRanges": [{"CidrIp": "10.0.0.0/8", "Description": "office"}]},
        {"IpProtocol": "udp", "FromPort": 53, "ToPort": 53, "Ipv6Ranges": [{"CidrIpv6": "2001:db8::/32"}]}])";
const std::vector<std::string> kOtherLines = {R"(tcp 22-22 10.0.0.0/8 "office")", "udp 53-53 2001:db8::/32"};
const char* const kLabelledRules =
    R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "home"}]},
        {"IpProtocol": "tcp", "FromPort": 443, "ToPort": 443, "IpRanges": [{"CidrIp": "0.0.0.0/0"}]}])";
const std::vector<std::string> kLabelledLines = {R"(-1 203.0.113.7/32 "home")", "tcp 443-443 0.0.0.0/0"};

std::vector<std::string> sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

struct Interruption {
    const char* name;
    const char* rules;                // the group's rules before the lock
    std::vector<std::string> before;  // the same, as ruleLines
    const char* step;                 // the call that is under way when the application quits
    bool toolHasRun;                  // the tool has done its work (else it has not started)
    std::vector<std::string> after;   // the group's rules once the lock has been ended there
};

const Interruption kInterruptions[] = {
    {"BeforeDescribing", kOtherRules, kOtherLines, "describe-security-groups", false, kOtherLines},
    {"AfterDescribing", kOtherRules, kOtherLines, "describe-security-groups", true, kOtherLines},
    {"BeforeAuthorizing", kOtherRules, kOtherLines, "authorize-security-group-ingress", false, kOtherLines},
    {"AfterAuthorizing", kOtherRules, kOtherLines, "authorize-security-group-ingress", true,
     sorted({kOtherLines[0], kOtherLines[1], kLockLine})},
    {"BeforeRevoking", kOtherRules, kOtherLines, "revoke-security-group-ingress", false,
     sorted({kOtherLines[0], kOtherLines[1], kLockLine})},
    {"AfterRevoking", kOtherRules, kOtherLines, "revoke-security-group-ingress", true, {kLockLine}},
    {"BeforeRelabelling", kLabelledRules, kLabelledLines, "update-security-group-rule-descriptions-ingress", false,
     kLabelledLines},
    {"AfterRelabelling", kLabelledRules, kLabelledLines, "update-security-group-rule-descriptions-ingress", true,
     sorted({kLockLine, kLabelledLines[1]})},
    {"BeforeRevokingBesideARelabelledRule", kLabelledRules, kLabelledLines, "revoke-security-group-ingress", false,
     sorted({kLockLine, kLabelledLines[1]})},
    {"AfterRevokingBesideARelabelledRule",
     kLabelledRules,
     kLabelledLines,
     "revoke-security-group-ingress",
     true,
     {kLockLine}},
};

void PrintTo(const Interruption& c, std::ostream* out) { *out << c.name; }

using namespace std::chrono_literals;

class HeldIngressTest : public IngressTest {
protected:
    void TearDown() override {
        release();
        IngressTest::TearDown();
    }

    // An AWSCLI whose `aws` logs its calls as the plain wrapper does, and holds a call of
    // `step` while the file "hold" exists: before the real tool starts, or once it has run
    // (then it exits as the tool did). It says so with the file "arrived"; the hold is bounded.
    std::unique_ptr<AWSCLI> heldCLI(const std::string& step, bool toolHasRun) {
        const std::string d = dir_.path().string();
        const std::string tool = std::string(kAWSTool) + " --endpoint-url " + moto_->endpoint() + " \"$@\"";
        const auto held =
            writeTool(dir_, "held/aws",
                      "d='" + d +
                          "'\n"
                          "printf '%s\\0' \"$#\" \"$@\" >> '" +
                          callLog().string() +
                          "'\n"
                          "hold() {\n"
                          "  : > \"$d/arrived\"\n"
                          "  n=0\n"
                          "  while [ -e \"$d/hold\" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done\n"
                          "}\n"
                          "[ \"$2\" = '" +
                          step + "' ] && [ -e \"$d/hold\" ] || exec " + tool + "\n" +
                          (toolHasRun ? tool + "\ns=$?\nhold\nexit $s" : "hold\nexec " + tool));
        dir_.write("hold", "");
        AWSCLIOptions options = this->options();
        options.toolPaths = {held.string()};
        return std::make_unique<AWSCLI>(options);
    }

    // EC2 counts no description as part of a rule: authorizing an address already admitted
    // under another description answers InvalidPermission.Duplicate. moto 5.1.1 (Debian 13's
    // python3-moto) admits it a second time instead; this says which the emulator does.
    bool emulatorAnswersDuplicateForANewDescription() const {
        const auto group = createGroup("duplicate-probe");
        const auto admit = [&](const std::string& label) {
            aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions",
                 R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "198.51.100.1/32", "Description": ")" + label +
                     R"("}]}])"});
        };
        admit("first");
        try {
            admit("second");
        } catch (const std::runtime_error& e) {
            if (std::string(e.what()).find("(InvalidPermission.Duplicate)") != std::string::npos) return true;
            throw;
        }
        return false;
    }

    // The emulator's moto release, as its Python says (moto_server has no --version).
    static std::string motoVersion() {
        const auto server = findMotoServer();
        std::ifstream script(server ? *server : std::filesystem::path());
        std::string python;
        if (!std::getline(script, python) || python.rfind("#!", 0) != 0) return "(version unknown)";
        TempDir scratch;
        const auto result = runCommand({python.substr(2), "-c", "import moto; print(moto.__version__, end='')"},
                                       {{"PATH", "/usr/bin:/bin"}}, scratch);
        return result.status == 0 ? result.output : "(version unknown)";
    }

    bool arrived() const { return std::filesystem::exists(dir_ / "arrived"); }
    void release() const {
        std::error_code ignored;
        std::filesystem::remove(dir_ / "hold", ignored);
    }
};

// The lock on a work thread, its outcome as text.
std::future<std::string> lockInBackground(AWSCLI& cli, const std::string& group) {
    return std::async(std::launch::async, [&cli, group] {
        try {
            cli.restrictIngress(group, kAddress, kTarget);
            return std::string("the lock completed");
        } catch (const AWSError& e) {
            return "the lock failed: " + describe(e);
        } catch (const std::exception& e) {
            return std::string("the lock threw: ") + e.what();
        }
    });
}

class IngressInterruption : public HeldIngressTest, public ::testing::WithParamInterface<Interruption> {
protected:
    // Runs in a process of its own, since quitting is one-way for a process: locks the
    // group, and once the held step is under way quits as the application does (the call
    // under way is ended, no later call starts). Exits 0 when the lock failed for that.
    [[noreturn]] void lockAndQuit(AWSCLI& cli, const std::string& group) const {
        auto lock = lockInBackground(cli, group);
        while (!arrived() && lock.wait_for(20ms) == std::future_status::timeout) {
        }
        if (!arrived()) {
            std::cerr << "the held step never came; " << lock.get() << std::endl;
            std::_Exit(1);
        }
        endRunningProcesses(std::chrono::seconds(1));
        const std::string outcome = lock.get();
        std::cerr << outcome << std::endl;
        std::_Exit(outcome == "the lock failed: [signal 15]" ? 0 : 1);
    }
};

TEST_P(IngressInterruption, LeavesTheOldRulesTheNewRuleOrBothNeverNone) {
    const auto& c = GetParam();
    const auto group = createGroup("web");
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions", c.rules});
    ASSERT_EQ(ruleLines(ingressOf(group)), c.before);
    const auto cli = heldCLI(c.step, c.toolHasRun);

    // A fork of this single-threaded test, which shares the emulator and the files.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(lockAndQuit(*cli, group), ::testing::ExitedWithCode(0), "the lock failed");

    const auto rules = ruleLines(ingressOf(group));
    EXPECT_FALSE(rules.empty()) << "the group was left without any inbound rule";
    EXPECT_EQ(rules, c.after);
    EXPECT_EQ(loggedOperations().back(), c.step) << "no call after the one under way";
}

INSTANTIATE_TEST_SUITE_P(Steps, IngressInterruption, ::testing::ValuesIn(kInterruptions),
                         [](const auto& info) { return std::string(info.param.name); });

// The lock rule appears between the describe and the authorize step (someone else adds
// it, labelled their way): the tool answers InvalidPermission.Duplicate, which means the
// rule is there; its label is set and the rest revoked as usual.
TEST_F(HeldIngressTest, ARuleAddedMeanwhileCountsAsAuthorizedAndIsRelabelled) {
    if (!emulatorAnswersDuplicateForANewDescription())
        GTEST_SKIP() << "the emulator (moto " << motoVersion()
                     << ") admits one /32 twice under two descriptions where EC2 answers "
                        "InvalidPermission.Duplicate, the answer this test needs the lock to meet";
    const auto group = createGroup("web");
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions", kOtherRules});
    const auto cli = heldCLI("authorize-security-group-ingress", false);

    auto lock = lockInBackground(*cli, group);
    while (!arrived() && lock.wait_for(20ms) == std::future_status::timeout) {
    }
    ASSERT_TRUE(arrived()) << lock.get();
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--ip-permissions",
         R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32", "Description": "theirs"}]}])"});
    release();

    EXPECT_EQ(lock.get(), "the lock completed");
    expectLockedTo(group, kAddress);
    EXPECT_THAT(loggedOperations(),
                ElementsAre("describe-security-groups", "authorize-security-group-ingress",
                            "update-security-group-rule-descriptions-ingress", "revoke-security-group-ingress"));
}

}  // namespace
}  // namespace tamsel::test
