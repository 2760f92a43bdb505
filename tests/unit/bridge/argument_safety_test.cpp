// Values that come from AWS or from the settings reach the tool as single arguments,
// unchanged, and no shell ever reads them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/AWSCLI.h"
#include "bridge/IngressPermission.h"
#include "support/FakeAWSTool.h"

namespace tamsel {
namespace {

using test::FakeTool;
using Arguments = std::vector<std::string>;

// Each names the file a shell would create as "@S@"; the test puts a path of its own there.
struct HostileValue {
    const char* name;
    const char* value;
};

const HostileValue kHostileValues[] = {
    {"leadingDash", "-i-0abc"},
    {"anOption", "--debug"},
    {"spaces", " i-1  i-2 "},
    {"quotes", "'i-1' \"i-2\" \\'"},
    {"commandSubstitution", "$(touch @S@)"},
    {"backticks", "`touch @S@`"},
    {"newline", "i-1\ntouch @S@\n"},
    {"semicolon", "i-1; touch @S@"},
    {"pipesAndRedirection", "i-1 && touch @S@ || touch @S@ | tee @S@ > @S@"},
    {"fieldSeparator", "${IFS}touch${IFS}@S@"},
    {"expansions", "* ~ $HOME $0 !! %s"},
    {"everything", "-x $(touch @S@) `touch @S@` ';touch @S@;' \"$(touch @S@)\"\n; touch @S@ #"},
};

class ArgumentSafety : public testing::TestWithParam<HostileValue> {
protected:
    // The value with the sentinel's path in place of "@S@".
    std::string hostile() const {
        std::string value = GetParam().value;
        const std::string path = sentinel().string();
        for (size_t at; (at = value.find("@S@")) != std::string::npos;) value.replace(at, 3, path);
        return value;
    }
    std::filesystem::path sentinel() const { return fake_.dir() / "sentinel"; }

    FakeTool fake_;
};

TEST_P(ArgumentSafety, ReachesTheToolAsOneArgumentUnchanged) {
    const std::string value = hostile();
    // A rule whose description holds the value, as AWS would print it back.
    const std::string printed =
        nlohmann::json::array({{{"IpProtocol", "-1"}, {"IpRanges", {{{"CidrIp", "0.0.0.0/0"}, {"Description", value}}}}}})
            .dump(4);
    fake_.reply("describe-security-groups", printed);
    AWSCLI cli(fake_.options());
    cli.setProfile(value);
    cli.setRegion(value);

    cli.start(value);
    cli.stop(value);
    cli.restrictIngress(value, "203.0.113.7");
    cli.listProfiles();

    const Arguments shared = {"--no-cli-pager", "--cli-binary-format", "base64", "--profile", value, "--region", value};
    const auto with = [&](Arguments words) {
        words.insert(words.end(), shared.begin(), shared.end());
        return words;
    };
    EXPECT_EQ(fake_.calls(),
              (std::vector<Arguments>{
                  with({"ec2", "start-instances", "--instance-ids", value, "--output", "json"}),
                  with({"ec2", "stop-instances", "--instance-ids", value, "--output", "json"}),
                  with({"ec2", "describe-security-groups", "--group-ids", value, "--query",
                        "SecurityGroups[0].IpPermissions", "--output", "json"}),
                  with({"ec2", "revoke-security-group-ingress", "--group-id", value, "--ip-permissions", printed,
                        "--output", "json"}),
                  with({"ec2", "authorize-security-group-ingress", "--group-id", value, "--ip-permissions",
                        ingressPermissionDocument("203.0.113.7"), "--output", "json"}),
                  {"configure", "list-profiles", "--no-cli-pager", "--cli-binary-format", "base64", "--profile", value},
              }));
    EXPECT_FALSE(std::filesystem::exists(sentinel())) << "something ran a shell over " << value;
}

INSTANTIATE_TEST_SUITE_P(Values, ArgumentSafety, testing::ValuesIn(kHostileValues),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tamsel
