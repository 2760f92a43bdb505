// The controller on the real gateway and a fake aws tool: profile and region from the
// settings, profile names, instance ids and group ids from the tool's own answers all
// reach the tool as single arguments, unchanged, through every path that uses them.

#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "app/MenuComposer.h"
#include "bridge/AWSCLI.h"
#include "bridge/IngressPermission.h"
#include "support/ControllerHarness.h"
#include "support/FakeAWSTool.h"

namespace tamsel::test {
namespace {

using Arguments = std::vector<std::string>;

// The real gateway, except that the public address is fixed instead of asked of the network.
class GatewayWithFixedAddress final : public AWSCLI {
public:
    using AWSCLI::AWSCLI;
    std::string globalIPv4() override { return "203.0.113.7"; }
};

TEST(ControllerArgumentSafety, ValuesFromSettingsAndFromTheToolReachItUnchanged) {
    const FakeTool fake;
    const std::string s = (fake.dir() / "sentinel").string();
    const std::string storedProfile = "-p\n$(touch " + s + ")";
    const std::string storedRegion = "us-east-1; touch " + s;
    const std::string listedProfile = "`touch " + s + "` 'dev' \"x\" --debug";
    const std::string lockedID = "-i $(touch " + s + ")";
    const std::string lockGroup = "sg-1; touch " + s + "\n";
    const std::string runningID = "i-2 `touch " + s + "` | touch " + s;

    fake.reply("list-profiles", "default\n" + listedProfile + "\n");
    fake.reply("describe-instances",
               nlohmann::json::array({{{"id", lockedID},
                                       {"state", "stopped"},
                                       {"type", "t3.micro"},
                                       {"name", "web"},
                                       {"sgs", {{{"id", lockGroup}, {"name", "ssh"}}}}},
                                      {{"id", runningID}, {"state", "running"}, {"type", "t3.micro"}, {"name", "db"}}})
                   .dump());
    fake.reply("describe-security-groups", "[]");

    Harness h;
    h.settings.values = {{"profile", storedProfile},
                         {"region", storedRegion},
                         {"ingressLockGroups", std::map<std::string, std::string>{{lockedID, lockGroup}}}};
    GatewayWithFixedAddress gateway(fake.options());
    AppDelegate& app = h.make(gateway);
    app.applicationDidFinishLaunching();
    h.drain();
    ASSERT_EQ(app.instances().size(), 2u) << (app.lastError() ? app.lastError()->text() : "");

    h.choose({"プロファイル: " + storedProfile, listedProfile});
    h.drain();
    h.choose({test::shownDot(dot("stopped")) + "web — stopped", "起動"});
    h.drain();
    h.alerts.answers = {0};
    h.choose({test::shownDot(dot("running")) + "db — running", "停止"});
    h.drain();

    const auto ec2 = [&](Arguments words, const std::string& profile) {
        words.insert(words.begin(), "ec2");
        words.insert(words.end(), {"--no-cli-pager", "--cli-binary-format", "base64", "--profile", profile, "--region",
                                   storedRegion});
        return words;
    };
    const Arguments describe = {"describe-instances", "--query",
                                "Reservations[].Instances[].{id:InstanceId,state:State.Name,type:InstanceType,"
                                "name:Tags[?Key=='Name']|[0].Value,sgs:SecurityGroups[].{id:GroupId,name:GroupName},"
                                "publicIp:PublicIpAddress,privateIp:PrivateIpAddress,launchTime:LaunchTime,"
                                "imageId:ImageId,publicDns:PublicDnsName}",
                                "--output", "json"};
    EXPECT_EQ(fake.calls(), (std::vector<Arguments>{
                                {"configure", "list-profiles", "--no-cli-pager", "--cli-binary-format", "base64",
                                 "--profile", storedProfile},
                                ec2(describe, storedProfile),
                                ec2(describe, listedProfile),
                                ec2({"describe-security-groups", "--group-ids", lockGroup, "--query",
                                     "SecurityGroups[0].IpPermissions", "--output", "json"},
                                    listedProfile),
                                ec2({"authorize-security-group-ingress", "--group-id", lockGroup, "--ip-permissions",
                                     ingressPermissionDocument("203.0.113.7"), "--output", "json"},
                                    listedProfile),
                                ec2({"start-instances", "--instance-ids", lockedID, "--output", "json"}, listedProfile),
                                ec2(describe, listedProfile),
                                ec2({"stop-instances", "--instance-ids", runningID, "--output", "json"}, listedProfile),
                                ec2(describe, listedProfile),
                            }));
    EXPECT_TRUE(h.alerts.shown.size() == 1u) << "only the stop confirmation";
    EXPECT_FALSE(std::filesystem::exists(s)) << "something ran a shell over a value";
}

}  // namespace
}  // namespace tamsel::test
