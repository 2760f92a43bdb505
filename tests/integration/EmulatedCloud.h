#pragma once
// Fixture for the integration tests: a moto EC2 emulator of the test's own, the real
// /usr/bin/aws pointed at it through a wrapper script, and a private environment (HOME,
// AWS config and credentials in a temp dir) so nothing of the user's is read or written.

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
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
    void SetUp() override {
        try {
            moto_ = std::make_unique<MotoServer>();
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        dir_.write("home/.keep", "");
        // Region per profile, so that a test sees which profile the tool really used.
        dir_.write("aws/config",
                   "[default]\nregion = us-east-1\noutput = json\n\n"
                   "[profile dev]\nregion = eu-west-1\n\n"
                   "[profile \"with space\"]\nregion = ap-northeast-1\n\n"
                   "[profile nokeys]\nregion = us-east-1\n\n"
                   "[profile noregion]\n");
        const std::string keys = "aws_access_key_id = testing\naws_secret_access_key = testing\n";
        dir_.write("aws/credentials", "[default]\n" + keys + "[dev]\n" + keys + "[with space]\n" + keys +
                                          "[noregion]\n" + keys + "[ci]\n" + keys);
        variables_ = {
            {"PATH", "/usr/bin:/bin"},
            {"HOME", (dir_ / "home").string()},
            {"LC_ALL", "C.UTF-8"},
            {"AWS_CONFIG_FILE", (dir_ / "aws/config").string()},
            {"AWS_SHARED_CREDENTIALS_FILE", (dir_ / "aws/credentials").string()},
            // Used when no profile is named; a named profile takes its own keys.
            {"AWS_ACCESS_KEY_ID", "testing"},
            {"AWS_SECRET_ACCESS_KEY", "testing"},
            // Without keys the tool would ask the instance metadata service off this machine.
            {"AWS_EC2_METADATA_DISABLED", "true"},
        };
        wrapper_ = writeWrapper("bin", moto_->endpoint());
    }

    void TearDown() override {
        if (HasFailure() && moto_) std::cerr << "--- moto_server output ---\n" << moto_->output() << "---\n";
        moto_.reset();
    }

    // An executable `aws` in `subdir` that appends its arguments to the call log (the
    // count, then each argument, every item NUL-terminated) and runs the real tool against
    // `endpoint`.
    std::string writeWrapper(const std::string& subdir, const std::string& endpoint) const {
        const auto file = writeTool(dir_, subdir + "/aws",
                                    "printf '%s\\0' \"$#\" \"$@\" >> '" + callLog().string() + "'\n" + "exec " +
                                        kAWSTool + " --endpoint-url " + endpoint + " \"$@\"");
        return file.string();
    }

    std::filesystem::path callLog() const { return dir_ / "calls.log"; }

    // The calls made through the wrapper so far, each as its argument list.
    std::vector<Call> loggedCalls() const {
        const std::string log = readFile(callLog());
        std::vector<std::string> items;
        size_t start = 0;
        while (start < log.size()) {
            const size_t end = log.find('\0', start);
            if (end == std::string::npos) throw std::runtime_error("call log ends inside an item");
            items.push_back(log.substr(start, end - start));
            start = end + 1;
        }
        std::vector<Call> calls;
        for (size_t i = 0; i < items.size();) {
            const size_t count = std::stoul(items[i++]);
            if (i + count > items.size()) throw std::runtime_error("call log ends inside a call");
            calls.emplace_back(items.begin() + static_cast<long>(i), items.begin() + static_cast<long>(i + count));
            i += count;
        }
        return calls;
    }

    // The first two words of each logged call ("ec2", "describe-security-groups", ...).
    std::vector<std::string> loggedOperations() const {
        std::vector<std::string> operations;
        for (const auto& call : loggedCalls()) operations.push_back(call.size() > 1 ? call[1] : "");
        return operations;
    }

    AWSCLIOptions options() const {
        AWSCLIOptions options;
        options.toolPaths = {wrapper_};
        options.environment = Environment(variables_);
        // Bounds a call that hangs; the emulator answers in well under a second.
        options.toolTimeLimit = std::chrono::seconds(90);
        return options;
    }

    // Runs the real tool directly (not logged) against the emulator with `words`, in
    // `region`. Returns standard output; throws with the tool's error text on failure.
    std::string aws(std::vector<std::string> words, const std::string& region = "us-east-1") const {
        Call argv = {kAWSTool, "--endpoint-url", moto_->endpoint(), "--no-cli-pager", "--region", region};
        argv.insert(argv.end(), words.begin(), words.end());
        const auto result = runCommand(argv, variables_, dir_);
        if (result.status != 0) {
            std::string shown;
            for (const auto& w : words) shown += " " + w;
            throw std::runtime_error("aws" + shown + " failed (" + std::to_string(result.status) +
                                     "): " + result.errors);
        }
        return result.output;
    }

    nlohmann::json awsJSON(std::vector<std::string> words, const std::string& region = "us-east-1") const {
        words.insert(words.end(), {"--output", "json"});
        return nlohmann::json::parse(aws(std::move(words), region));
    }

    std::string createGroup(const std::string& name, const std::string& region = "us-east-1") const {
        return awsJSON({"ec2", "create-security-group", "--group-name", name, "--description", name + " group",
                        "--query", "GroupId"},
                       region)
            .get<std::string>();
    }

    // Inbound rules of a group, as the tool describes them.
    nlohmann::json ingressOf(const std::string& groupID) const {
        return awsJSON(
            {"ec2", "describe-security-groups", "--group-ids", groupID, "--query", "SecurityGroups[0].IpPermissions"});
    }

    struct Launch {
        std::string name = "";  // empty: no Name tag
        std::vector<std::string> groups = {};
        std::string type = "t3.micro";
        std::string region = "us-east-1";
        std::string finalState = "running";  // or "stopped", "terminated"
    };

    // Starts one instance as described and returns its ID.
    std::string launch(const Launch& l) const {
        std::vector<std::string> words = {
            "ec2",     "run-instances",          "--image-id", imageID(l.region), "--instance-type", l.type,
            "--query", "Instances[0].InstanceId"};
        if (!l.groups.empty()) {
            words.push_back("--security-group-ids");
            words.insert(words.end(), l.groups.begin(), l.groups.end());
        }
        if (!l.name.empty()) {
            const nlohmann::json tags = {
                {{"ResourceType", "instance"}, {"Tags", {{{"Key", "Name"}, {"Value", l.name}}}}}};
            words.insert(words.end(), {"--tag-specifications", tags.dump()});
        }
        const auto id = awsJSON(words, l.region).get<std::string>();
        if (l.finalState == "stopped") aws({"ec2", "stop-instances", "--instance-ids", id}, l.region);
        if (l.finalState == "terminated") aws({"ec2", "terminate-instances", "--instance-ids", id}, l.region);
        return id;
    }

    std::string stateOf(const std::string& instanceID, const std::string& region = "us-east-1") const {
        return awsJSON({"ec2", "describe-instances", "--instance-ids", instanceID, "--query",
                        "Reservations[0].Instances[0].State.Name"},
                       region)
            .get<std::string>();
    }

    // An image the emulator knows, looked up once per region, by name: listing all of the
    // emulator's images takes it seconds.
    std::string imageID(const std::string& region) const {
        if (auto found = images_.find(region); found != images_.end()) return found->second;
        const auto id = awsJSON({"ec2", "describe-images", "--owners", "amazon", "--filters",
                                 "Name=name,Values=amzn2-ami-hvm-2.0.*-x86_64-gp2", "--query", "Images[0].ImageId"},
                                region)
                            .get<std::string>();
        images_[region] = id;
        return id;
    }

    TempDir dir_;
    std::unique_ptr<MotoServer> moto_;
    Variables variables_;
    std::string wrapper_;
    mutable std::map<std::string, std::string> images_;
};

}  // namespace tamsel::test
