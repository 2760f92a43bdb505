#include "integration/EmulatedCloud.h"

#include <iostream>
#include <stdexcept>

namespace tamsel::test {

void EmulatedCloud::SetUp() {
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
    dir_.write("aws/credentials", "[default]\n" + keys + "[dev]\n" + keys + "[with space]\n" + keys + "[noregion]\n" +
                                      keys + "[ci]\n" + keys);
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

void EmulatedCloud::TearDown() {
    if (HasFailure() && moto_) std::cerr << "--- moto_server output ---\n" << moto_->output() << "---\n";
    moto_.reset();
}

std::string EmulatedCloud::writeWrapper(const std::string& subdir, const std::string& endpoint) const {
    const auto file = writeTool(dir_, subdir + "/aws",
                                "printf '%s\\0' \"$#\" \"$@\" >> '" + callLog().string() + "'\n" + "exec " + kAWSTool +
                                    " --endpoint-url " + endpoint + " \"$@\"");
    return file.string();
}

std::vector<Call> EmulatedCloud::loggedCalls() const {
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

std::vector<std::string> EmulatedCloud::loggedOperations() const {
    std::vector<std::string> operations;
    for (const auto& call : loggedCalls()) operations.push_back(call.size() > 1 ? call[1] : "");
    return operations;
}

AWSCLIOptions EmulatedCloud::options() const {
    AWSCLIOptions options;
    options.toolPaths = {wrapper_};
    options.environment = Environment(variables_);
    // Bounds a call that hangs; the emulator answers in well under a second.
    options.toolTimeLimit = std::chrono::seconds(90);
    return options;
}

std::string EmulatedCloud::aws(std::vector<std::string> words, const std::string& region) const {
    Call argv = {kAWSTool, "--endpoint-url", moto_->endpoint(), "--no-cli-pager", "--region", region};
    argv.insert(argv.end(), words.begin(), words.end());
    const auto result = runCommand(argv, variables_, dir_);
    if (result.status != 0) {
        std::string shown;
        for (const auto& w : words) shown += " " + w;
        throw std::runtime_error("aws" + shown + " failed (" + std::to_string(result.status) + "): " + result.errors);
    }
    return result.output;
}

nlohmann::json EmulatedCloud::awsJSON(std::vector<std::string> words, const std::string& region) const {
    words.insert(words.end(), {"--output", "json"});
    return nlohmann::json::parse(aws(std::move(words), region));
}

std::string EmulatedCloud::createGroup(const std::string& name, const std::string& region) const {
    return awsJSON({"ec2", "create-security-group", "--group-name", name, "--description", name + " group", "--query",
                    "GroupId"},
                   region)
        .get<std::string>();
}

nlohmann::json EmulatedCloud::ingressOf(const std::string& groupID) const {
    return awsJSON(
        {"ec2", "describe-security-groups", "--group-ids", groupID, "--query", "SecurityGroups[0].IpPermissions"});
}

std::string EmulatedCloud::launch(const Launch& l) const {
    std::vector<std::string> words = {
        "ec2",     "run-instances",          "--image-id", imageID(l.region), "--instance-type", l.type,
        "--query", "Instances[0].InstanceId"};
    if (!l.groups.empty()) {
        words.push_back("--security-group-ids");
        words.insert(words.end(), l.groups.begin(), l.groups.end());
    }
    if (!l.name.empty()) {
        const nlohmann::json tags = {{{"ResourceType", "instance"}, {"Tags", {{{"Key", "Name"}, {"Value", l.name}}}}}};
        words.insert(words.end(), {"--tag-specifications", tags.dump()});
    }
    const auto id = awsJSON(words, l.region).get<std::string>();
    if (l.finalState == "stopped") aws({"ec2", "stop-instances", "--instance-ids", id}, l.region);
    if (l.finalState == "terminated") aws({"ec2", "terminate-instances", "--instance-ids", id}, l.region);
    return id;
}

std::string EmulatedCloud::stateOf(const std::string& instanceID, const std::string& region) const {
    return awsJSON({"ec2", "describe-instances", "--instance-ids", instanceID, "--query",
                    "Reservations[0].Instances[0].State.Name"},
                   region)
        .get<std::string>();
}

std::string EmulatedCloud::imageID(const std::string& region) const {
    if (auto found = images_.find(region); found != images_.end()) return found->second;
    const auto id = awsJSON({"ec2", "describe-images", "--owners", "amazon", "--filters",
                             "Name=name,Values=amzn2-ami-hvm-2.0.*-x86_64-gp2", "--query", "Images[0].ImageId"},
                            region)
                        .get<std::string>();
    images_[region] = id;
    return id;
}

}  // namespace tamsel::test
