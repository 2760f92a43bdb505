#pragma once
// Fixture for the integration tests: a moto EC2 emulator of the test's own, the real
// /usr/bin/aws pointed at it through a wrapper script, and a private environment (HOME,
// AWS config and credentials in a temp dir) so nothing of the user's is read or written.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/AWSCLI.h"
#include "support/MotoServer.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace tamsel::test {

// The aws tool the tests run: Debian's CLI v2. An `aws` found on PATH may be another one.
inline constexpr const char* kAWSTool = "/usr/bin/aws";

using Call = std::vector<std::string>;

// Profiles of the test configuration: the config file's in file order, then the
// credentials-only one, which is how the tool lists them.
inline const std::vector<std::string> kConfiguredProfiles = {"default", "dev",      "with space",
                                                             "nokeys",  "noregion", "ci"};

class EmulatedCloud : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An executable `aws` in `subdir` that appends its arguments to the call log (the
    // count, then each argument, every item NUL-terminated) and runs the real tool against
    // `endpoint`.
    std::string writeWrapper(const std::string& subdir, const std::string& endpoint) const;

    std::filesystem::path callLog() const { return dir_ / "calls.log"; }

    // The calls made through the wrapper so far, each as its argument list.
    std::vector<Call> loggedCalls() const;

    // The first two words of each logged call ("ec2", "describe-security-groups", ...).
    std::vector<std::string> loggedOperations() const;

    AWSCLIOptions options() const;

    // Runs the real tool directly (not logged) against the emulator with `words`, in
    // `region`. Returns standard output; throws with the tool's error text on failure.
    std::string aws(std::vector<std::string> words, const std::string& region = "us-east-1") const;

    nlohmann::json awsJSON(std::vector<std::string> words, const std::string& region = "us-east-1") const;

    std::string createGroup(const std::string& name, const std::string& region = "us-east-1") const;

    // Inbound rules of a group, as the tool describes them.
    nlohmann::json ingressOf(const std::string& groupID) const;

    struct Launch {
        std::string name = "";  // empty: no Name tag
        std::vector<std::string> groups = {};
        std::string type = "t3.micro";
        std::string region = "us-east-1";
        std::string finalState = "running";  // or "stopped", "terminated"
    };

    // Starts one instance as described and returns its ID.
    std::string launch(const Launch& l) const;

    std::string stateOf(const std::string& instanceID, const std::string& region = "us-east-1") const;

    // An image the emulator knows, looked up once per region, by name: listing all of the
    // emulator's images takes it seconds.
    std::string imageID(const std::string& region) const;

    TempDir dir_;
    std::unique_ptr<MotoServer> moto_;
    Variables variables_;
    std::string wrapper_;
    mutable std::map<std::string, std::string> images_;
};

}  // namespace tamsel::test
