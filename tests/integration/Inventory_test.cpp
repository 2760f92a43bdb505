// The bridge's profile listing, instance listing, power commands and failure sorting,
// run through the real aws tool against the EC2 emulator.

#include <cctype>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bridge/AWSError.h"
#include "integration/EmulatedCloud.h"

namespace tamsel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::string kInstanceQuery =
    "Reservations[].Instances[].{id:InstanceId,state:State.Name,type:InstanceType,"
    "name:Tags[?Key=='Name']|[0].Value,sgs:SecurityGroups[].{id:GroupId,name:GroupName},"
    "publicIp:PublicIpAddress,privateIp:PrivateIpAddress,launchTime:LaunchTime,imageId:ImageId,"
    "publicDns:PublicDnsName}";

Call describeCall(const std::vector<std::string>& flags) {
    Call call = {"ec2",
                 "describe-instances",
                 "--query",
                 kInstanceQuery,
                 "--output",
                 "json",
                 "--no-cli-pager",
                 "--cli-binary-format",
                 "base64"};
    call.insert(call.end(), flags.begin(), flags.end());
    return call;
}

std::vector<std::string> idsOf(const std::vector<EC2Instance>& instances) {
    std::vector<std::string> ids;
    for (const auto& i : instances) ids.push_back(i.id);
    return ids;
}

AWSError caught(const std::function<void()>& call) {
    try {
        call();
    } catch (const AWSError& e) {
        return e;
    }
    throw std::runtime_error("the call did not throw an AWSError");
}

using InventoryTest = EmulatedCloud;

TEST_F(InventoryTest, ListsTheConfiguredProfilesInTheToolsOrderWithoutTheRegionFlag) {
    AWSCLI cli(options());
    EXPECT_EQ(cli.listProfiles({}), kConfiguredProfiles);
    EXPECT_EQ(cli.listProfiles({"dev", "eu-west-1"}), kConfiguredProfiles);

    EXPECT_THAT(loggedCalls(),
                ElementsAre(Call{"configure", "list-profiles", "--no-cli-pager", "--cli-binary-format", "base64"},
                            Call{"configure", "list-profiles", "--no-cli-pager", "--cli-binary-format", "base64",
                                 "--profile", "dev"}));
}

TEST_F(InventoryTest, AnUnreadableConfigurationGivesNoProfilesAndNoError) {
    dir_.write("aws/config", "[default\nregion = \n");
    AWSCLI cli(options());
    EXPECT_THAT(cli.listProfiles({}), IsEmpty());
    EXPECT_EQ(loggedCalls().size(), 1u);
}

TEST_F(InventoryTest, DescribesLiveInstancesSortedByNameOrIdWithTheirGroupsInOrder) {
    const auto web = createGroup("web");
    const auto admin = createGroup("admin");
    const auto solo = createGroup("solo");
    const auto webID = launch({.name = "web", .groups = {web, admin}, .type = "t3.micro"});
    const auto alphaID = launch({.name = "alpha", .groups = {solo}, .type = "t3.nano", .finalState = "stopped"});
    // Byte order would put "Beta" first; the user's collation puts it after "alpha".
    const auto betaID = launch({.name = "Beta", .groups = {admin, web, solo}, .type = "t3.small"});
    const auto unnamedID = launch({.groups = {web}, .type = "t2.micro"});
    launch({.name = "gone", .groups = {web}, .finalState = "terminated"});

    // The addresses and the launch time as the tool reports them, all read in one call (each
    // call of the tool takes seconds on a busy machine); a stopped instance has a private
    // address only.
    const nlohmann::json reported =
        awsJSON({"ec2", "describe-instances", "--query",
                 "Reservations[].Instances[].[InstanceId,PublicIpAddress,PrivateIpAddress,LaunchTime,ImageId,"
                 "PublicDnsName]"});
    const auto address = [&](const std::string& id, size_t field) -> std::optional<std::string> {
        for (const auto& instance : reported) {
            if (instance.at(0) != id) continue;
            if (instance.at(field).is_null()) return std::nullopt;
            return instance.at(field).get<std::string>();
        }
        ADD_FAILURE() << id << " is not reported";
        return std::nullopt;
    };
    const auto withAddresses = [&](EC2Instance expected) {
        expected.publicIPv4 = address(expected.id, 1);
        expected.privateIPv4 = address(expected.id, 2);
        if (const auto launched = address(expected.id, 3)) expected.launchTime = parseLaunchTime(*launched);
        expected.imageID = address(expected.id, 4);
        expected.publicDNS = address(expected.id, 5);
        EXPECT_EQ(expected.publicIPv4.has_value(), expected.state == "running") << expected.id;
        EXPECT_TRUE(expected.privateIPv4.has_value()) << expected.id;
        EXPECT_TRUE(expected.launchTime.has_value()) << expected.id;  // the emulator's way of writing it is read
        return expected;
    };

    AWSCLI cli(options());
    const auto instances = cli.describeInstances({});

    ASSERT_EQ(idsOf(instances), (std::vector<std::string>{alphaID, betaID, unnamedID, webID}));
    EXPECT_EQ(instances[0], withAddresses({alphaID, "alpha", "stopped", "t3.nano", {{solo, "solo"}}}));
    EXPECT_EQ(instances[1],
              withAddresses({betaID, "Beta", "running", "t3.small", {{admin, "admin"}, {web, "web"}, {solo, "solo"}}}));
    EXPECT_EQ(instances[2], withAddresses({unnamedID, "", "running", "t2.micro", {{web, "web"}}}));
    EXPECT_EQ(instances[3], withAddresses({webID, "web", "running", "t3.micro", {{web, "web"}, {admin, "admin"}}}));

    // The names of the images, which tell the user to log in as, in one call; an image AWS
    // does not know is left out and fails nothing.
    ASSERT_TRUE(instances[3].imageID);
    const std::string image = *instances[3].imageID;
    const auto names = cli.imageNames({image, "ami-00000000000000000"}, {});
    ASSERT_EQ(names.size(), 1u);
    EXPECT_THAT(names.at(image), StartsWith("amzn2-ami-hvm-2.0."));
    EXPECT_THAT(loggedCalls(),
                ElementsAre(describeCall({}), Call{"ec2", "describe-images", "--filters",
                                                   "Name=image-id,Values=" + image + ",ami-00000000000000000",
                                                   "--query", "Images[].[ImageId,Name]", "--output", "json",
                                                   "--no-cli-pager", "--cli-binary-format", "base64"}));
}

TEST_F(InventoryTest, DescribesTheRegionThatTheChosenProfileAndRegionSelect) {
    const auto virginia = launch({.name = "virginia", .region = "us-east-1"});
    const auto ireland = launch({.name = "ireland", .region = "eu-west-1"});
    const auto tokyo = launch({.name = "tokyo", .region = "ap-northeast-1"});

    struct Case {
        std::optional<std::string> profile, region;
        std::string expected;
        std::vector<std::string> flags;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, virginia, {}},
        {"dev", std::nullopt, ireland, {"--profile", "dev"}},
        {"with space", std::nullopt, tokyo, {"--profile", "with space"}},
        {"dev", "ap-northeast-1", tokyo, {"--profile", "dev", "--region", "ap-northeast-1"}},
        {std::nullopt, "eu-west-1", ireland, {"--region", "eu-west-1"}},
    };
    AWSCLI cli(options());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile.value_or("(no profile)") + " / " + c.region.value_or("(no region)"));
        std::filesystem::remove(callLog());
        EXPECT_EQ(idsOf(cli.describeInstances({c.profile, c.region})), std::vector<std::string>{c.expected});
        EXPECT_THAT(loggedCalls(), ElementsAre(describeCall(c.flags)));
    }
}

TEST_F(InventoryTest, StartAndStopChangeTheStateThatTheNextListingShows) {
    const auto sleeper = launch({.name = "sleeper", .finalState = "stopped"});
    const auto runner = launch({.name = "runner"});
    AWSCLI cli(options());
    const CallTarget virginia{std::nullopt, "us-east-1"};

    cli.start(sleeper, virginia);
    cli.stop(runner, virginia);

    const auto instances = cli.describeInstances(virginia);
    ASSERT_EQ(idsOf(instances), (std::vector<std::string>{runner, sleeper}));
    EXPECT_THAT(instances[0].state.word(), ::testing::AnyOf("stopping", "stopped"));
    EXPECT_THAT(instances[1].state.word(), ::testing::AnyOf("pending", "running"));
    const std::vector<std::string> region = {"--no-cli-pager", "--cli-binary-format", "base64", "--region",
                                             "us-east-1"};
    auto withRegion = [&](Call call) {
        call.insert(call.end(), region.begin(), region.end());
        return call;
    };
    EXPECT_THAT(loggedCalls(),
                ElementsAre(withRegion({"ec2", "start-instances", "--instance-ids", sleeper, "--output", "json"}),
                            withRegion({"ec2", "stop-instances", "--instance-ids", runner, "--output", "json"}),
                            describeCall({"--region", "us-east-1"})));
}

TEST_F(InventoryTest, FailuresOfTheRealToolAreSortedIntoTheirCauses) {
    const auto unreachable = writeWrapper("unreachable", "http://127.0.0.1:1");
    struct Case {
        std::string what;
        std::optional<std::string> profile;
        bool reachable;
        FailureCause cause;
        std::string messageStart;
    };
    const std::vector<Case> cases = {
        {"unknown profile", "nope", true, FailureCause::noProfile, "The config profile (nope) could not be found"},
        {"profile without keys", "nokeys", true, FailureCause::noCredentials, "Unable to locate credentials"},
        {"profile without region", "noregion", true, FailureCause::noRegion, "You must specify a region"},
        {"nothing listening", std::nullopt, false, FailureCause::noConnection, "Could not connect to the endpoint URL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto opts = options();
        if (!c.reachable) {
            opts.toolPaths = {unreachable};
            opts.environment.set("AWS_MAX_ATTEMPTS", "1");
        }
        AWSCLI cli(opts);
        const auto error = caught([&] { cli.describeInstances({c.profile, std::nullopt}); });
        EXPECT_EQ(error.kind(), AWSError::Kind::failed);
        EXPECT_EQ(error.cause(), c.cause);
        EXPECT_THAT(error.text(), StartsWith(c.messageStart));
        ASSERT_FALSE(error.text().empty());
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(error.text().back()))) << "untrimmed: " << error.text();
    }

    // A cause outside the table keeps the tool's text as the message.
    AWSCLI cli(options());
    const auto error = caught([&] { cli.start("i-0123456789abcdef0", {}); });
    EXPECT_EQ(error.cause(), FailureCause::other);
    EXPECT_THAT(error.text(), StartsWith("An error occurred (InvalidInstanceID.NotFound) when calling the "
                                         "StartInstances operation"));
}

TEST_F(InventoryTest, SigningInOnAProfileWithoutSingleSignOnFailsWithTheToolsOwnMessage) {
    AWSCLI cli(options());
    for (const std::optional<std::string>& profile :
         {std::optional<std::string>(), std::optional<std::string>("dev")}) {
        SCOPED_TRACE(profile.value_or("(default)"));
        // Signing in needs no region, and is given none.
        const auto error = caught([&] { cli.ssoLogin({profile, "eu-west-1"}); });
        EXPECT_EQ(error.kind(), AWSError::Kind::failed);
        EXPECT_THAT(error.text(), StartsWith("Missing the following required SSO configuration values"));
        EXPECT_NE(error.cause(), FailureCause::expiredSSOSession) << "signing in again would fail the same way";
    }
    const Call shared = {"sso", "login", "--no-cli-pager", "--cli-binary-format", "base64"};
    Call withProfile = shared;
    withProfile.insert(withProfile.end(), {"--profile", "dev"});
    EXPECT_THAT(loggedCalls(), ElementsAre(shared, withProfile));
}

}  // namespace
}  // namespace tamsel::test
