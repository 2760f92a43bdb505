#include "bridge/SSHConfig.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace tamsel {
namespace {

using Variables = std::map<std::string, std::string>;

using test::readFile;
using test::TempDir;
using test::writeTool;

TEST(SSHConfig, AProxyCommandAndAUserOtherThanTheLocalOneAreWhatTheConfigurationSets) {
    const struct {
        std::string printed;
        SSHHostConfig expected;
    } cases[] = {
        // The AWS-documented Session Manager host, no User: ssh prints the local name.
        {"host i-0abc\nuser me\nhostname i-0abc\nproxycommand sh -c \"aws ssm start-session --target %h\"\n",
         {true, std::nullopt}},
        {"host web\nuser ubuntu\nport 22\n", {false, "ubuntu"}},
        {"user me\nproxycommand none\n", {false, std::nullopt}},
        {"user\t\nproxycommand\n", {false, std::nullopt}},
        {"", {false, std::nullopt}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseSSHConfig(c.printed, "me"), c.expected) << c.printed;
}

TEST(SSHConfig, AsksSSHOnThePathForTheHostAndIsAbsentWithoutIt) {
    const TempDir dir;
    const auto record = dir / "args";
    writeTool(dir, "bin/ssh",
              "printf '%s\\n' \"$@\" > " + record.string() +
                  "\n[ \"$2\" = bad ] && exit 255\necho 'user admin'\necho 'proxycommand nc %h %p'");
    const Environment withSSH(Variables{{"PATH", (dir / "bin").string()}});

    EXPECT_EQ(readSSHConfig("i-1", withSSH), (SSHHostConfig{true, "admin"}));
    EXPECT_EQ(readFile(record), "-G\ni-1\n");
    // A configuration ssh rejects says nothing; ssh tells why when the user connects.
    EXPECT_EQ(readSSHConfig("bad", withSSH), SSHHostConfig{});
    // Never handed to ssh as an option.
    std::filesystem::remove(record);
    EXPECT_EQ(readSSHConfig("-oProxyCommand=x", withSSH), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(record));

    EXPECT_EQ(readSSHConfig("i-1", Environment(Variables{{"PATH", (dir / "none").string()}})), std::nullopt);
}

}  // namespace
}  // namespace tamsel
