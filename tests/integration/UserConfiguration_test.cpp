// The user's own settings of the aws tool that make it page, prompt, or print and format
// differently, in the config file and in the environment: with each, every call of the
// gateway still reads and changes what it should, through the real tool and the emulator.

#include <cctype>
#include <functional>

#include <gtest/gtest.h>

#include "bridge/AWSError.h"
#include "integration/EmulatedCloud.h"

namespace tamsel::test {
namespace {

struct Setting {
    std::string configLine;  // under [default], in place of "output = json"
    std::string variable;    // or this environment variable ...
    std::string value;       // ... with this value
};

std::string describe(const Setting& s) {
    return s.configLine.empty() ? "environment: " + s.variable + "=" + s.value : "config: " + s.configLine;
}

void PrintTo(const Setting& setting, std::ostream* out) { *out << describe(setting); }

const Setting kSettings[] = {
    {"output = table", "", ""},
    {"", "AWS_DEFAULT_OUTPUT", "text"},
    {"cli_pager = false", "", ""},
    {"", "AWS_PAGER", "false"},
    {"", "PAGER", "false"},
    {"cli_auto_prompt = on", "", ""},
    {"", "AWS_CLI_AUTO_PROMPT", "on"},
    {"cli_timestamp_format = wire", "", ""},
    {"cli_binary_format = raw-in-base64-out", "", ""},
    {"cli_binary_format = hex", "", ""},  // not a value the tool knows
    {"parameter_validation = false", "", ""},
    {"cli_history = enabled", "", ""},
    {"", "AWS_CLI_FILE_ENCODING", "UTF-16"},
};

// One case per setting, each against an emulator of its own, so that the cases run side
// by side and a slow tool does not add up their calls into one long test.
class UserConfigurationTest : public EmulatedCloud, public testing::WithParamInterface<Setting> {};

TEST_P(UserConfigurationTest, NoSettingOfTheToolBreaksACall) {
    const Setting& setting = GetParam();
    const std::string baseConfig = readFile(dir_ / "aws/config");
    const std::string replaced = "output = json\n";
    ASSERT_NE(baseConfig.find(replaced), std::string::npos);
    const auto group = createGroup("web");
    const auto id = launch({.name = "web", .groups = {group}, .finalState = "stopped"});

    // The gateway's own config file: the fixture's checks keep reading the plain one.
    std::string config = baseConfig;
    if (!setting.configLine.empty()) config.replace(config.find(replaced), replaced.size(), setting.configLine + "\n");
    AWSCLIOptions options = this->options();
    options.environment.set("AWS_CONFIG_FILE", dir_.write("aws/user-config", config).string());
    if (!setting.variable.empty()) options.environment.set(setting.variable, setting.value);
    AWSCLI cli(options);
    const auto step = [](const char* what, const std::function<void()>& call) {
        try {
            call();
        } catch (const AWSError& e) {
            ADD_FAILURE() << what << " failed: " << e.text();
        }
    };

    EXPECT_EQ(cli.listProfiles({}), kConfiguredProfiles);
    // The lock replaces the rule that is there, read and revoked under the setting.
    aws({"ec2", "authorize-security-group-ingress", "--group-id", group, "--protocol", "tcp", "--port", "22", "--cidr",
         "203.0.113.1/32"});
    step("locking the group", [&] { cli.restrictIngress(group, "203.0.113.2", {}); });
    step("start", [&] { cli.start(id, {}); });
    step("stop", [&] { cli.stop(id, {}); });
    step("listing", [&] {
        const auto instances = cli.describeInstances({});
        ASSERT_EQ(instances.size(), 1u);
        // A stopped instance keeps its private address (the emulator's own) and has no public one.
        ASSERT_TRUE(instances[0].privateIPv4.has_value());
        EXPECT_EQ(instances[0], (EC2Instance{id,
                                             "web",
                                             "stopped",
                                             "t3.micro",
                                             {{group, "web"}},
                                             std::nullopt,
                                             instances[0].privateIPv4,
                                             instances[0].launchTime,
                                             instances[0].imageID,
                                             instances[0].publicDNS}));
    });
    const auto rules = ingressOf(group);
    ASSERT_EQ(rules.size(), 1u) << rules.dump();
    EXPECT_EQ(rules[0]["IpRanges"],
              nlohmann::json::parse(R"([{"CidrIp":"203.0.113.2/32","Description":"Orvane for Mac"}])"));
}

INSTANTIATE_TEST_SUITE_P(Settings, UserConfigurationTest, testing::ValuesIn(kSettings),
                         [](const testing::TestParamInfo<Setting>& info) {
                             std::string name;
                             for (const char c : describe(info.param))
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                                 else if (!name.empty() && name.back() != '_') name += '_';
                             return name;
                         });

}  // namespace
}  // namespace tamsel::test
