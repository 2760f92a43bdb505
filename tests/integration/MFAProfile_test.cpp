// A profile whose role wants an MFA code, through the real tool: the code is asked for on
// the tool's own prompt, given on its standard input, and the role's credentials then come
// from the tool's cache. The tool calls STS on its own endpoint, which --endpoint-url does
// not reach: an endpoint rule of its data path (AWS_DATA_PATH) sends STS to the emulator,
// whose AssumeRole takes any code.

#include <filesystem>

#include <gtest/gtest.h>

#include "bridge/AWSError.h"
#include "integration/EmulatedCloud.h"

namespace tamsel::test {
namespace {

constexpr const char* kDevice = "arn:aws:iam::123456789012:mfa/me";

class MFAProfileTest : public EmulatedCloud {
protected:
    AWSCLIOptions mfaOptions() {
        dir_.write("aws/mfa-config", readFile(dir_ / "aws/config") +
                                         "\n[profile mfa]\nrole_arn = arn:aws:iam::123456789012:role/r\n"
                                         "source_profile = default\nmfa_serial = " +
                                         std::string(kDevice) + "\nregion = us-east-1\n");
        dir_.write("data/sts/2011-06-15/endpoint-rule-set-1.json",
                   R"({"version": "1.0", "parameters": {"Region": {"builtIn": "AWS::Region", "required": false,)"
                   R"( "documentation": "", "type": "String"}}, "rules": [{"conditions": [], "type": "endpoint",)"
                   R"( "endpoint": {"url": ")" +
                       moto_->endpoint() + R"(", "properties": {}, "headers": {}}}]})");
        AWSCLIOptions options = this->options();
        options.environment.set("AWS_CONFIG_FILE", (dir_ / "aws/mfa-config").string());
        options.environment.set("AWS_DATA_PATH", (dir_ / "data").string());
        return options;
    }
};

TEST_F(MFAProfileTest, TheCodeGivenOnceServesTheCallsAfterItFromTheToolsCache) {
    launch({.name = "web"});
    AWSCLI cli(mfaOptions());
    const CallTarget mfa{"mfa", "us-east-1"};

    try {
        cli.describeInstances(mfa);
        ADD_FAILURE() << "listed without a code";
    } catch (const AWSError& error) {
        EXPECT_EQ(error.cause(), FailureCause::mfaCodeNeeded) << error.text();
        EXPECT_EQ(error.mfaDevice(), kDevice);
    }

    cli.giveMFACode("123456");
    EXPECT_EQ(cli.describeInstances(mfa).size(), 1u);
    EXPECT_FALSE(std::filesystem::is_empty(dir_ / "home/.aws/cli/cache"));
    // Taken by that call alone: the next one reads the null device, and needs nothing more.
    EXPECT_EQ(cli.describeInstances(mfa).size(), 1u);
}

}  // namespace
}  // namespace tamsel::test
