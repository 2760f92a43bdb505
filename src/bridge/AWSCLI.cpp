#include "bridge/AWSCLI.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <utility>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/IngressPermission.h"
#include "bridge/JSONDocument.h"
#include "bridge/Text.h"

namespace tamsel {
namespace {

// An existing regular file (symbolic links followed) that this user may execute.
bool isExecutableFile(const std::string& path) {
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Lists one instance per object with the fields the menu needs, flat.
constexpr const char* kInstanceQuery =
    "Reservations[].Instances[].{id:InstanceId,state:State.Name,type:InstanceType,"
    "name:Tags[?Key=='Name']|[0].Value,sgs:SecurityGroups[].{id:GroupId,name:GroupName},"
    "publicIp:PublicIpAddress,privateIp:PrivateIpAddress,launchTime:LaunchTime,imageId:ImageId,"
    "publicDns:PublicDnsName}";

// Counts the running and pending instances; the filter runs at AWS, the count in the tool.
constexpr const char* kActiveFilter = "Name=instance-state-name,Values=running,pending";
constexpr const char* kCountQuery = "length(Reservations[].Instances[])";

// The tool's answer when an authorized rule is already there.
bool isDuplicatePermission(const AWSError& error) {
    return error.kind() == AWSError::Kind::failed &&
           error.text().find("(InvalidPermission.Duplicate)") != std::string::npos;
}

// The code the next run on this thread gives the tool (see giveMFACode).
thread_local std::optional<std::string> mfaCodeOfThread;

}  // namespace

std::vector<std::string> defaultToolPaths() {
    return {"/opt/homebrew/bin/aws", "/usr/local/bin/aws", "/usr/bin/aws", "/opt/local/bin/aws"};
}

std::optional<std::string> loginShellAnswer(std::string_view output) {
    if (!isValidUTF8(output)) return std::nullopt;
    std::vector<std::string> lines = split(trimWhitespaceAndNewlines(output), '\n', false);
    if (lines.empty()) return std::nullopt;
    return std::move(lines.back());
}

AWSCLI::AWSCLI(AWSCLIOptions options) : options_(std::move(options)) {}

std::optional<std::string> AWSCLI::locate(const std::vector<std::string>& toolPaths, const Environment& environment,
                                          std::chrono::milliseconds timeLimit) {
    try {
        for (const auto& path : toolPaths) {
            if (isExecutableFile(path)) return path;
        }
        // The login shell reads the user's start-up files, and with them any additions to
        // the search path, before it answers.
        const std::string shell = environment.loginShell();
        const ProcessResult answer =
            runProcess(shell, {"-l", "-c", "command -v aws"}, environment.forChild(), timeLimit);
        if (!answer.succeeded()) return std::nullopt;
        std::optional<std::string> path = loginShellAnswer(answer.output);
        if (!path || !isExecutableFile(*path)) return std::nullopt;
        return path;
    } catch (...) {
        return std::nullopt;
    }
}

std::string AWSCLI::run(const std::vector<std::string>& words, const CallTarget& target, bool useRegion) const {
    return run(words, target, useRegion, options_.toolTimeLimit);
}

std::string AWSCLI::run(const std::vector<std::string>& words, const CallTarget& target, bool useRegion,
                        std::chrono::milliseconds timeLimit, const OutputListener& listener,
                        const std::stop_token& stop) const {
    const auto path = locate(options_.toolPaths, options_.environment, options_.toolTimeLimit);
    if (!path) throw AWSError::cliNotFound();

    std::vector<std::string> arguments = words;
    arguments.emplace_back("--no-cli-pager");
    // The user's config may name any binary format, even one the tool rejects; these calls
    // carry no binary values, so the default is safe and makes such a setting harmless.
    arguments.insert(arguments.end(), {"--cli-binary-format", "base64"});
    if (target.profile) {
        arguments.emplace_back("--profile");
        arguments.push_back(*target.profile);
    }
    if (useRegion && target.region) {
        arguments.emplace_back("--region");
        arguments.push_back(*target.region);
    }
    std::optional<std::string> input;
    if (mfaCodeOfThread) {
        input = *mfaCodeOfThread + "\n";
        mfaCodeOfThread.reset();
    }
    return toolOutput(runProcess(*path, arguments, options_.environment.forChild(), timeLimit, listener, stop, input),
                      timeLimit);
}

void AWSCLI::giveMFACode(std::optional<std::string> code) { mfaCodeOfThread = std::move(code); }

std::vector<std::string> AWSCLI::listProfiles(const CallTarget& target) {
    std::string output;
    try {
        output = run({"configure", "list-profiles"}, target, false);
    } catch (...) {
        return {};
    }
    if (!isValidUTF8(output)) return {};
    std::vector<std::string> names;
    for (const auto& line : split(output, '\n', false)) {
        std::string name = trimSpacesAndTabs(line);
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

std::vector<EC2Instance> AWSCLI::describeInstances(const CallTarget& target) {
    const std::string output =
        run({"ec2", "describe-instances", "--query", kInstanceQuery, "--output", "json"}, target, true);
    return parseInstances(output, Collation::forUserLocale());
}

std::map<std::string, std::string> AWSCLI::imageNames(const std::vector<std::string>& imageIDs,
                                                      const CallTarget& target) {
    if (imageIDs.empty()) return {};
    // A filter, not --image-ids: one image AWS does not know would fail the whole call.
    std::string ids;
    for (const std::string& id : imageIDs) ids += (ids.empty() ? "" : ",") + id;
    const std::string output = run({"ec2", "describe-images", "--filters", "Name=image-id,Values=" + ids, "--query",
                                    "Images[].[ImageId,Name]", "--output", "json"},
                                   target, true);
    const nlohmann::json pairs = nlohmann::json::parse(output);
    if (!pairs.is_array()) throw AWSError::failed(UnexpectedShape{});
    std::map<std::string, std::string> names;
    for (const nlohmann::json& pair : pairs) {
        if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string()) throw AWSError::failed(UnexpectedShape{});
        if (pair[1].is_string()) names[pair[0].get<std::string>()] = pair[1].get<std::string>();
    }
    return names;
}

void AWSCLI::start(const std::string& instanceID, const CallTarget& target) {
    run({"ec2", "start-instances", "--instance-ids", instanceID, "--output", "json"}, target, true);
}

void AWSCLI::stop(const std::string& instanceID, const CallTarget& target) {
    run({"ec2", "stop-instances", "--instance-ids", instanceID, "--output", "json"}, target, true);
}

std::size_t AWSCLI::countActiveInstances(const CallTarget& target, const std::stop_token& stop) {
    const std::string output =
        run({"ec2", "describe-instances", "--filters", kActiveFilter, "--query", kCountQuery, "--output", "json"},
            target, true, options_.toolTimeLimit, {}, stop);
    const nlohmann::json count = nlohmann::json::parse(output);
    if (!count.is_number_unsigned()) throw AWSError::failed(UnexpectedShape{});
    return count.get<std::size_t>();
}

void AWSCLI::ssoLogin(const CallTarget& target, const std::function<void(const SignInPrompt&)>& prompted) {
    OutputListener listener;
    if (prompted) {
        // Versions differ in the stream they print the prompt to: both are read, each by
        // itself, and the first to show an address is the one followed.
        listener = [&prompted, readers = std::array<SignInPromptReader, 2>{}, followed = std::optional<OutputStream>{}](
                       OutputStream stream, std::string_view piece) mutable {
            if (followed && *followed != stream) return;
            SignInPromptReader& reader = readers[stream == OutputStream::output ? 0 : 1];
            if (!reader.take(piece)) return;
            followed = stream;
            prompted(*reader.prompt());
        };
    }
    run({"sso", "login"}, target, false, options_.signInTimeLimit, listener);
}

std::string AWSCLI::globalIPv4() { return lookUpGlobalIPv4(options_.addressLookup); }

void AWSCLI::restrictIngress(const std::string& groupID, const std::string& address, const CallTarget& target) {
    // The new rule is in place before any other goes, so that a lock ended at any step
    // leaves the group its old rules, the new one or both: never without a rule.
    const std::string printed = run({"ec2", "describe-security-groups", "--group-ids", groupID, "--query",
                                     "SecurityGroups[0].IpPermissions", "--output", "json"},
                                    target, true);
    const nlohmann::json permissions = parseJSONDocument(printed);
    const LockRule lockRule = lockRuleIn(permissions, address);
    const nlohmann::json others = permissionsOtherThanLockRule(permissions, address);
    const std::string rule = ingressPermissionDocument(address);
    const auto relabel = [&] {
        run({"ec2", "update-security-group-rule-descriptions-ingress", "--group-id", groupID, "--ip-permissions", rule,
             "--output", "json"},
            target, true);
    };

    if (lockRule == LockRule::absent) {
        try {
            run({"ec2", "authorize-security-group-ingress", "--group-id", groupID, "--ip-permissions", rule, "--output",
                 "json"},
                target, true);
        } catch (const AWSError& error) {
            if (!isDuplicatePermission(error)) throw;
            // The rule came meanwhile, perhaps labelled otherwise: it is there, so label it.
            relabel();
        }
    } else if (lockRule == LockRule::misdescribed) {
        relabel();
    }

    if (others.empty()) return;
    // The tool takes back exactly what it printed: when the lock rule was not among the
    // rules, they are handed back as printed, else as printed less that one range.
    run({"ec2", "revoke-security-group-ingress", "--group-id", groupID, "--ip-permissions",
         others == permissions ? printed : others.dump(), "--output", "json"},
        target, true);
}

}  // namespace tamsel
