#include "bridge/AWSCLI.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <exception>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/IngressPermission.h"
#include "bridge/JSONDocument.h"
#include "support/FakeAWSTool.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using Variables = std::map<std::string, std::string>;

using namespace std::chrono_literals;
using test::FakeTool;
using test::readFile;
using test::TempDir;
using test::writeTool;
using Arguments = std::vector<std::string>;

Arguments concat(std::initializer_list<Arguments> parts) {
    Arguments all;
    for (const Arguments& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// What every call ends with, before the profile and region.
const Arguments kAlways = {"--no-cli-pager", "--cli-binary-format", "base64"};

const char* const kDescribeQuery =
    "Reservations[].Instances[].{id:InstanceId,state:State.Name,type:InstanceType,"
    "name:Tags[?Key=='Name']|[0].Value,sgs:SecurityGroups[].{id:GroupId,name:GroupName},"
    "publicIp:PublicIpAddress,privateIp:PrivateIpAddress,launchTime:LaunchTime,imageId:ImageId,"
    "publicDns:PublicDnsName}";

// The command lines the tool should see with `profile` and `region` set.
struct Lines {
    std::string profile, region;

    // Calls that need no region: the words, then the flags.
    Arguments global(const Arguments& words) const { return concat({words, kAlways, {"--profile", profile}}); }
    // EC2 calls: they name their output, then the flags with the region.
    Arguments ec2(const Arguments& words) const {
        return concat({{"ec2"}, words, {"--output", "json"}, kAlways, {"--profile", profile, "--region", region}});
    }
    Arguments describe(const std::string& group) const {
        return ec2({"describe-security-groups", "--group-ids", group, "--query", "SecurityGroups[0].IpPermissions"});
    }
    Arguments authorize(const std::string& group) const {
        return ec2({"authorize-security-group-ingress", "--group-id", group, "--ip-permissions",
                    ingressPermissionDocument("203.0.113.7")});
    }
    Arguments relabel(const std::string& group) const {
        return ec2({"update-security-group-rule-descriptions-ingress", "--group-id", group, "--ip-permissions",
                    ingressPermissionDocument("203.0.113.7")});
    }
    Arguments revoke(const std::string& group, const std::string& printed) const {
        return ec2({"revoke-security-group-ingress", "--group-id", group, "--ip-permissions", printed});
    }
};

// --- run: the shared flags ---------------------------------------------------------------

struct FlagCase {
    const char* name;
    std::optional<std::string> profile;
    std::optional<std::string> region;
    bool useRegion;
    Arguments flags;
};

class SharedFlags : public testing::TestWithParam<FlagCase> {};

TEST_P(SharedFlags, FollowTheCommandWordsInOrder) {
    const FakeTool fake;
    const Arguments words = {"ec2", "describe-things", "--filter", "a b"};

    AWSCLI(fake.options()).run(words, {GetParam().profile, GetParam().region}, GetParam().useRegion);

    EXPECT_EQ(fake.calls(), std::vector<Arguments>{concat({words, GetParam().flags})});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedFlags,
    testing::Values(
        FlagCase{"nothingSet", std::nullopt, std::nullopt, true, kAlways},
        FlagCase{"both", "dev", "eu-west-1", true, concat({kAlways, {"--profile", "dev", "--region", "eu-west-1"}})},
        FlagCase{"regionNotWanted", "dev", "eu-west-1", false, concat({kAlways, {"--profile", "dev"}})},
        FlagCase{"emptyProfile", "", std::nullopt, true, concat({kAlways, {"--profile", ""}})},
        FlagCase{"regionOnly", std::nullopt, "ap-northeast-1", true, concat({kAlways, {"--region", "ap-northeast-1"}})},
        FlagCase{"awkwardValues", "-x $(touch pwned) 'q' \"d\"", "r; echo 1", true,
                 concat({kAlways, {"--profile", "-x $(touch pwned) 'q' \"d\"", "--region", "r; echo 1"}})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AWSCLIRun, ChildEnvironmentHasExtendedPathAndNoPager) {
    const FakeTool fake;
    AWSCLIOptions options = fake.options();
    AWSCLI(options).run({"sts"}, {}, true);
    options.environment.unset("PATH");
    AWSCLI(options).run({"sts"}, {}, true);

    EXPECT_EQ(fake.environmentOfCall(0), std::string("/usr/bin:/bin:") + kToolSearchPath + "\n\n");
    EXPECT_EQ(fake.environmentOfCall(1), std::string(kToolSearchPath) + "\n\n");
}

TEST(AWSCLIRun, WithoutAToolThrowsCliNotFoundAndStartsNothing) {
    const FakeTool fake;
    AWSCLIOptions options = fake.options();
    options.toolPaths = {(fake.dir() / "missing-aws").string()};  // and SHELL names no program
    AWSCLI cli(options);

    try {
        cli.run({"ec2", "start-instances"}, {}, true);
        ADD_FAILURE() << "no error";
    } catch (const AWSError& error) {
        EXPECT_EQ(error.kind(), AWSError::Kind::cliNotFound);
    }
    EXPECT_TRUE(fake.calls().empty());
}

// --- the commands -----------------------------------------------------------------------

// Runs every command once on `fake` for `instance` and `group`, under `profile` and `region`,
// and compares the command lines each one ran. A group rule's description holds
// `group`, as AWS prints it back.
void expectEveryCommandLine(const FakeTool& fake, const std::string& instance, const std::string& group,
                            const std::string& profile, const std::string& region) {
    const std::string printed =
        nlohmann::json::array(
            {{{"IpProtocol", "-1"}, {"IpRanges", {{{"CidrIp", "0.0.0.0/0"}, {"Description", group}}}}}})
            .dump(4);
    fake.reply("describe-security-groups", printed);
    fake.reply("describe-instances", "[]\n");
    AWSCLI cli(fake.options());
    const Lines lines{profile, region};
    const CallTarget target{profile, region};
    const struct {
        const char* what;
        std::function<void()> call;
        std::vector<Arguments> expected;
    } commands[] = {
        {"list profiles", [&] { cli.listProfiles(target); }, {lines.global({"configure", "list-profiles"})}},
        {"describe instances",
         [&] { cli.describeInstances(target); },
         {lines.ec2({"describe-instances", "--query", kDescribeQuery})}},
        {"start", [&] { cli.start(instance, target); }, {lines.ec2({"start-instances", "--instance-ids", instance})}},
        {"stop", [&] { cli.stop(instance, target); }, {lines.ec2({"stop-instances", "--instance-ids", instance})}},
        {"sign in", [&] { cli.ssoLogin(target); }, {lines.global({"sso", "login"})}},
        {"restrict ingress",
         [&] { cli.restrictIngress(group, "203.0.113.7", target); },
         {lines.describe(group), lines.authorize(group), lines.revoke(group, printed)}},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.what);
        const std::size_t before = fake.calls().size();
        command.call();
        const auto calls = fake.calls();
        EXPECT_EQ(std::vector<Arguments>(calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end()),
                  command.expected);
    }
}

TEST(AWSCLICommands, EachCallCarriesItsExactCommandLine) {
    expectEveryCommandLine(FakeTool(), "i-0abc", "sg-1", "dev", "us-east-1");
}

TEST(AWSCLICommands, SignInIsBoundedByItsOwnTimeLimit) {
    // The user may take minutes in the browser: the common limit must not end the wait.
    const FakeTool fake;
    fake.delay("login", 1);
    AWSCLIOptions options = fake.options();
    options.toolTimeLimit = 200ms;
    options.signInTimeLimit = 20s;
    EXPECT_NO_THROW(AWSCLI(options).ssoLogin({}));

    options.signInTimeLimit = 200ms;
    try {
        AWSCLI(options).ssoLogin({});
        ADD_FAILURE() << "no error";
    } catch (const AWSError& error) {
        EXPECT_EQ(error, AWSError::failed(ToolEnding::timedOut(200ms)));
    }
}

TEST(AWSCLICommands, ACountNoLongerWantedRunsNoTool) {
    const FakeTool fake;
    std::stop_source dropping;
    dropping.request_stop();
    try {
        AWSCLI(fake.options()).countActiveInstances({std::nullopt, "eu-west-1"}, dropping.get_token());
        ADD_FAILURE() << "no error";
    } catch (const AWSError& error) {
        EXPECT_EQ(error, AWSError::failed(ToolEnding::dropped()));
    }
    EXPECT_TRUE(fake.calls().empty());
}

TEST(AWSCLICommands, SignInTellsWhereToSignInWhileTheToolStillWaits) {
    // Without a browser the tool prints where to sign in, then waits for the user there.
    const std::string device = "https://device.sso.us-east-1.amazonaws.com/";
    const std::string authorize =
        "https://oidc.us-east-1.amazonaws.com/authorize?response_type=code&client_id=c1&redirect_uri="
        "http%3A%2F%2F127.0.0.1%3A40111%2Foauth%2Fcallback&state=s1&code_challenge_method=S256&code_challenge=x1";
    const struct {
        const char* what;
        std::string output, error;
        SignInPrompt prompt;
    } cases[] = {
        {"device code, on standard output",
         "Attempting to automatically open the SSO authorization page in your default browser.\n"
         "If the browser does not open or you wish to use a different device to authorize this request, open the "
         "following URL:\n\n" +
             device + "\n\nThen enter the code:\n\nABCD-EFGH\n",
         "", SignInPrompt{device, "ABCD-EFGH"}},
        {"address only, on standard error", "Some notice\n",
         "Browser will not be automatically opened.\nPlease visit the following URL:\n\n" + authorize + "\n",
         SignInPrompt{authorize, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FakeTool fake;
        fake.reply("login", c.output);
        fake.note("login", c.error);
        fake.hold("login");

        std::mutex mutex;
        std::condition_variable heardOne;
        std::vector<SignInPrompt> heard;
        std::exception_ptr failure;
        std::thread signIn([&] {
            try {
                AWSCLI(fake.options()).ssoLogin({}, [&](const SignInPrompt& prompt) {
                    const std::lock_guard lock(mutex);
                    heard.push_back(prompt);
                    heardOne.notify_all();
                });
            } catch (...) {
                failure = std::current_exception();
            }
        });
        {
            std::unique_lock lock(mutex);
            EXPECT_TRUE(heardOne.wait_for(lock, 20s, [&] { return !heard.empty(); })) << "nothing while it waits";
        }
        fake.release("login");
        signIn.join();
        EXPECT_FALSE(failure);
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.back(), c.prompt);
    }
}

TEST(AWSCLICommands, ToolFailurePassesThroughUnchanged) {
    const FakeTool fake;
    fake.fail("start-instances", "An error occurred (IncorrectInstanceState) when calling StartInstances\n");
    AWSCLI cli(fake.options());
    try {
        cli.start("i-1", {});
        ADD_FAILURE() << "no error";
    } catch (const AWSError& error) {
        EXPECT_EQ(error, AWSError::failed("An error occurred (IncorrectInstanceState) when calling StartInstances"));
    }
}

TEST(AWSCLIListProfiles, TrimsAndKeepsOrderAndDuplicates) {
    const FakeTool fake;
    fake.reply("list-profiles", "default\n\n  dev \t\n \t \nprod\ndev\n\u3000会社\u3000\n");
    EXPECT_EQ(AWSCLI(fake.options()).listProfiles({}), (Arguments{"default", "dev", "prod", "dev", "会社"}));
}

TEST(AWSCLIListProfiles, AnyFailureGivesAnEmptyList) {
    const FakeTool failing;
    failing.fail("list-profiles", "boom");
    EXPECT_TRUE(AWSCLI(failing.options()).listProfiles({}).empty());

    const FakeTool notText;
    notText.reply("list-profiles", "default\n\xff\xfe\n");
    EXPECT_TRUE(AWSCLI(notText.options()).listProfiles({}).empty());

    const FakeTool missing;
    AWSCLIOptions options = missing.options();
    options.toolPaths.clear();
    EXPECT_TRUE(AWSCLI(options).listProfiles({}).empty());
}

// --- restrictIngress ----------------------------------------------------------------------

class RestrictIngress : public testing::Test {
protected:
    // Locks sg-1 to 203.0.113.7 under the profile and region of `lines_`.
    void lock() { cli_.restrictIngress("sg-1", "203.0.113.7", {lines_.profile, lines_.region}); }

    Arguments describe() const { return lines_.describe("sg-1"); }
    Arguments authorize() const { return lines_.authorize("sg-1"); }
    Arguments relabel() const { return lines_.relabel("sg-1"); }
    Arguments revoke(const std::string& permissions) const { return lines_.revoke("sg-1", permissions); }

    const Lines lines_{"dev", "eu-central-1"};
    FakeTool fake_;
    AWSCLI cli_{fake_.options()};
};

TEST_F(RestrictIngress, GroupWithoutRulesIsOnlyAuthorized) {
    fake_.reply("describe-security-groups", "[]\n");
    lock();
    EXPECT_EQ(fake_.calls(), (std::vector<Arguments>{describe(), authorize()}));
}

TEST_F(RestrictIngress, ObjectAtTheTopIsAnUnexpectedResponseAndChangesNothing) {
    fake_.reply("describe-security-groups", "{}");
    EXPECT_THROW(lock(), AWSError);
    EXPECT_EQ(fake_.calls(), std::vector<Arguments>{describe()});
}

TEST_F(RestrictIngress, RulesAreRevokedWithTheDescribedTextVerbatim) {
    const std::string printed =
        "[\n    {\n        \"FromPort\": 22,\n        \"IpProtocol\": \"tcp\",\n"
        "        \"IpRanges\": [{\"CidrIp\": \"0.0.0.0/0\", \"Description\": \"ssh \\u00e9\"}],\n"
        "        \"ToPort\": 22, \"UserIdGroupPairs\": [{\"GroupId\": \"sg-2\"}]\n    },\n"
        "    {\"IpProtocol\": \"-1\", \"Ipv6Ranges\": [{\"CidrIpv6\": \"::/0\"}]}\n]\n";
    fake_.reply("describe-security-groups", printed);
    lock();
    EXPECT_EQ(fake_.calls(), (std::vector<Arguments>{describe(), authorize(), revoke(printed)}));
}

TEST_F(RestrictIngress, DescribeFailureRunsNothingElse) {
    fake_.fail("describe-security-groups", "An error occurred (InvalidGroup.NotFound)\n");
    EXPECT_THROW(lock(), AWSError);
    EXPECT_EQ(fake_.calls(), std::vector<Arguments>{describe()});
}

TEST_F(RestrictIngress, UnreadableDescribeOutputThrowsTheParserError) {
    fake_.reply("describe-security-groups", "null");
    EXPECT_THROW(lock(), nlohmann::json::parse_error);
    EXPECT_EQ(fake_.calls(), std::vector<Arguments>{describe()});
}

TEST_F(RestrictIngress, AuthorizeFailureRevokesNothing) {
    const std::string printed = "[{\"IpProtocol\": \"-1\", \"IpRanges\": [{\"CidrIp\": \"10.0.0.0/8\"}]}]";
    fake_.reply("describe-security-groups", printed);
    fake_.fail("authorize-security-group-ingress", "An error occurred (UnauthorizedOperation)\n");
    EXPECT_THROW(lock(), AWSError);
    EXPECT_EQ(fake_.calls(), (std::vector<Arguments>{describe(), authorize()}));

    // A rule that is already there is no failure: it gets its description, the rest goes.
    fake_.fail("authorize-security-group-ingress",
               "\nAn error occurred (InvalidPermission.Duplicate) when calling the AuthorizeSecurityGroupIngress "
               "operation: the specified rule \"peer: 203.0.113.7/32, ALL, ALLOW\" already exists\n");
    lock();
    EXPECT_EQ(fake_.calls(),
              (std::vector<Arguments>{describe(), authorize(), describe(), authorize(), relabel(), revoke(printed)}));
}

TEST_F(RestrictIngress, RelabelFailureRevokesNothing) {
    fake_.reply("describe-security-groups",
                R"([{"IpProtocol": "-1", "IpRanges": [{"CidrIp": "203.0.113.7/32"}, {"CidrIp": "10.0.0.0/8"}]}])");
    fake_.fail("update-security-group-rule-descriptions-ingress", "An error occurred (UnauthorizedOperation)\n");
    EXPECT_THROW(lock(), AWSError);
    EXPECT_EQ(fake_.calls(), (std::vector<Arguments>{describe(), relabel()}));
}

// --- locate -------------------------------------------------------------------------------

TEST(Locate, TakesTheFirstExecutableFileOfThePaths) {
    const TempDir dir;
    const auto plain = dir.write("plain", "#!/bin/sh\n");
    std::filesystem::create_directory(dir / "folder");
    const auto tool = writeTool(dir, "tool", "exit 0");
    const auto second = writeTool(dir, "second", "exit 0");
    std::filesystem::create_symlink(tool, dir / "link");
    std::filesystem::create_symlink(dir / "gone", dir / "dangling");
    const Environment environment(Variables{{"SHELL", (dir / "no-shell").string()}});
    const auto at = [&](const char* name) { return (dir / name).string(); };

    EXPECT_EQ(
        AWSCLI::locate({at("missing"), at("plain"), at("folder"), at("dangling"), at("link"), at("tool")}, environment),
        at("link"))
        << "a symbolic link is followed but its own path is returned";
    EXPECT_EQ(AWSCLI::locate({at("plain"), at("tool"), at("second")}, environment), at("tool"));
    EXPECT_EQ(AWSCLI::locate({at("second"), at("tool")}, environment), at("second"));
    EXPECT_EQ(AWSCLI::locate({at("plain"), at("folder")}, environment), std::nullopt);
}

struct ShellCase {
    const char* name;
    const char* script;  // $tool names an executable file, $plain a file that is not
    bool found;
};

class LoginShell : public testing::TestWithParam<ShellCase> {};

TEST_P(LoginShell, AnswerIsTheLastLineWhenItIsExecutable) {
    const TempDir dir;
    const auto tool = writeTool(dir, "bin/aws", "exit 0");
    const auto plain = dir.write("plain", "");
    const auto shell = writeTool(dir, "shell",
                                 "tool='" + tool.string() + "'; plain='" + plain.string() + "'\n" +
                                     "for a; do printf '%s\\0' \"$a\"; done > '" + (dir / "asked").string() + "'\n" +
                                     GetParam().script);
    const Environment environment(Variables{{"SHELL", shell.string()}, {"HOME", dir.path().string()}});

    const auto located = AWSCLI::locate({(dir / "missing").string()}, environment, 2000ms);

    EXPECT_EQ(located, GetParam().found ? std::optional<std::string>(tool.string()) : std::nullopt);
    EXPECT_EQ(readFile(dir / "asked"), std::string("-l\0-c\0command -v aws\0", 21));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoginShell,
    testing::Values(ShellCase{"plainAnswer", "echo \"$tool\"", true},
                    ShellCase{"lastLineAfterGreetings", "printf 'Welcome!\\n\\n%s\\n\\n  ' \"$tool\"", true},
                    ShellCase{"aliasAnswer", "echo \"$tool\"; echo 'alias aws=\"aws --debug\"'", false},
                    ShellCase{"notExecutable", "echo \"$plain\"", false}, ShellCase{"nothing", "", false},
                    ShellCase{"failing", "echo \"$tool\"; exit 1", false},
                    ShellCase{"notText", "printf '\\377\\n%s\\n' \"$tool\"", false},
                    ShellCase{"hangs", "echo \"$tool\"; sleep 30", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct AnswerCase {
    const char* name;
    std::string_view output;
    std::optional<std::string> expected;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class LoginShellAnswer : public testing::TestWithParam<AnswerCase> {};

TEST_P(LoginShellAnswer, IsTheLastLineOfTheTrimmedText) {
    EXPECT_EQ(loginShellAnswer(GetParam().output), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoginShellAnswer,
    testing::Values(AnswerCase{"crLfLines", "motd\r\n/home/u/bin/aws\r\n", "/home/u/bin/aws"},
                    AnswerCase{"unicodeSpaceAtTheEnds", "\u3000/usr/bin/aws\u3000\xc2\x85", "/usr/bin/aws"},
                    // Only the ends of the whole text are trimmed: the last line stands as
                    // printed, so an indented one names no file and locate() gives nothing.
                    AnswerCase{"indentedLastLine", "motd\n  /usr/bin/aws\n", "  /usr/bin/aws"},
                    AnswerCase{"whiteSpaceOnly", " \n\t\r\n ", std::nullopt}, AnswerCase{"empty", "", std::nullopt},
                    AnswerCase{"cutUTF8", "/usr/bin/aws\n\xe3\x80", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Locate, AShellThatCannotStartGivesNothing) {
    const TempDir dir;
    const std::vector<std::string> noPaths;
    EXPECT_EQ(AWSCLI::locate(noPaths, Environment(Variables{{"SHELL", (dir / "no-shell").string()}})), std::nullopt);
    EXPECT_EQ(AWSCLI::locate(noPaths, Environment(Variables{{"SHELL", ""}})), std::nullopt);
}

TEST(Locate, RealLoginShellReadsTheProfileOfTheUser) {
    const TempDir home;
    const auto tool = writeTool(home, "tools/aws", "exit 0");
    const std::string startup = "echo 'profile says hello'\nPATH=\"" + tool.parent_path().string() + ":$PATH\"\n";
    home.write(".profile", startup);
    home.write(".zprofile", startup);
    // Without "SHELL" (a session started by a display manager), the user's shell from the
    // password database is asked.
    for (const Variables& variables :
         {Variables{{"SHELL", "/bin/sh"}, {"HOME", home.path().string()}}, Variables{{"HOME", home.path().string()}}}) {
        SCOPED_TRACE(variables.count("SHELL") ? "SHELL set" : "SHELL unset");
        EXPECT_EQ(AWSCLI::locate({}, Environment(variables)), tool.string());
    }
}

}  // namespace
}  // namespace tamsel

// --- arguments --------------------------------------------------------------------------
// Values that come from AWS or from the settings reach the tool as single arguments,
// unchanged, and no shell ever reads them.

namespace tamsel {
namespace {

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
    expectEveryCommandLine(fake_, value, value, value, value);
    EXPECT_FALSE(std::filesystem::exists(sentinel())) << "something ran a shell over " << value;
}

INSTANTIATE_TEST_SUITE_P(Values, ArgumentSafety, testing::ValuesIn(kHostileValues),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tamsel
