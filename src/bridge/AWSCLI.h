#pragma once
// The real cloud gateway: finds and runs the aws tool, lists profiles and instances,
// starts and stops instances, looks up the public address and locks a group's ingress.
// Every operation blocks its caller and runs under the CallTarget it is given: the gateway
// keeps no choice of its own. The application calls them from one work queue, and signs in
// (ssoLogin) from another, so that the long wait holds up nothing else.

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/AddressLookup.h"
#include "bridge/ChildProcess.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"
#include "bridge/Environment.h"
#include "bridge/SignInPrompt.h"
#include "bridge/ToolOutcome.h"

namespace tamsel {

// Where the tool is looked for first, in this order.
std::vector<std::string> defaultToolPaths();

// The path the login shell names in `output`, its answer to "command -v aws": absent when
// `output` is not valid UTF-8; else the text trimmed of white space and line breaks at
// both ends and split at line feeds (empty pieces dropped), and the last piece, since
// start-up files may print lines of their own before the answer. Absent when there is no
// piece. Whether the path names an executable file is for the caller to check.
std::optional<std::string> loginShellAnswer(std::string_view output);

// What the gateway starts from. The defaults are what the application uses; tests
// replace them to run fake tools, a private environment or a local lookup server.
struct AWSCLIOptions {
    std::vector<std::string> toolPaths = defaultToolPaths();
    Environment environment = Environment::current();
    AddressLookupOptions addressLookup = {};
    std::chrono::milliseconds toolTimeLimit = kToolTimeLimit;
    std::chrono::milliseconds signInTimeLimit = kSignInTimeLimit;
};

// Not final: a test may replace one call (the address lookup) and keep the rest real.
class AWSCLI : public CloudGateway {
public:
    explicit AWSCLI(AWSCLIOptions options = {});

    // The path of an executable aws tool: the first executable of `toolPaths`, else the
    // last line of what the login shell (Environment::loginShell) answers to
    // "command -v aws", when that names an executable file. Never throws.
    static std::optional<std::string> locate(const std::vector<std::string>& toolPaths, const Environment& environment,
                                             std::chrono::milliseconds timeLimit = kToolTimeLimit);

    // Runs the located tool with `words`, then "--no-cli-pager", "--cli-binary-format"
    // "base64", then "--profile" and "--region" (the latter only with `useRegion`) when
    // set in `target`. Returns standard output. Every command also names "--output json"
    // where it reads or prints a document, so none of the user's output settings reach these
    // calls. Throws AWSError::cliNotFound when no tool is found, AWSError::failed when the
    // tool fails (see toolOutput), and std::system_error when it cannot be started.
    std::string run(const std::vector<std::string>& words, const CallTarget& target, bool useRegion) const;

    // The next run of the tool made on the calling thread, whatever the call, alone reads
    // `code` and a line feed on its standard input, for the tool's prompt of a role that
    // wants one; every other run reads the null device.
    void giveMFACode(std::optional<std::string> code) override;

    // Profile names from "aws configure list-profiles" run under the profile of `target`
    // (no region), trimmed, empty lines dropped. Never throws: any failure gives an empty list.
    std::vector<std::string> listProfiles(const CallTarget& target) override;
    // Instances of the profile and region of `target`: terminated ones dropped, sorted by
    // name (or id) in the user's locale.
    std::vector<EC2Instance> describeInstances(const CallTarget& target) override;
    // The names of the images `imageIDs` (id to name), in one "describe-images" call; an
    // image AWS does not show (gone, not visible to the account) is absent. Throws
    // AWSError::failed (UnexpectedShape) when the tool prints anything but id and name
    // pairs, nlohmann::json::parse_error when it prints no JSON.
    std::map<std::string, std::string> imageNames(const std::vector<std::string>& imageIDs,
                                                  const CallTarget& target) override;
    void start(const std::string& instanceID, const CallTarget& target) override;
    void stop(const std::string& instanceID, const CallTarget& target) override;
    // How many instances of `target` are running or pending: the tool filters and counts,
    // so only the number crosses the pipe. Throws AWSError::failed (UnexpectedShape)
    // when the tool prints anything but a whole number, nlohmann::json::parse_error when
    // it prints no JSON. Once `stop` is asked to stop, the call ends at once, its tool with
    // it, and throws AWSError::failed (ToolEnding::dropped).
    std::size_t countActiveInstances(const CallTarget& target, const std::stop_token& stop = {}) override;
    // "aws sso login" for the profile of `target` (no region): the tool opens the browser
    // and returns once the user has signed in there. Bounded by `signInTimeLimit`. Where the
    // browser does not open, the user needs what the tool prints: `prompted` hears it, on
    // the calling thread while the tool waits, once the address is read and again when the
    // code follows it.
    void ssoLogin(const CallTarget& target, const std::function<void(const SignInPrompt&)>& prompted = {}) override;

    // This machine's public IPv4 address (see AddressLookup.h).
    std::string globalIPv4() override;
    // Replaces every inbound rule of `groupID` by one rule admitting all traffic from
    // `address`/32, described as kIngressRuleDescription, never leaving the group without a
    // rule on the way: describe; authorize the rule unless it is there (an answer that it
    // already exists counts as done), or set its description when that differs; then revoke
    // the other rules (only when there are any). Stops at the first failure and throws it:
    // AWSError, or nlohmann::json::parse_error when the describe output is not JSON.
    void restrictIngress(const std::string& groupID, const std::string& address, const CallTarget& target) override;

private:
    std::string run(const std::vector<std::string>& words, const CallTarget& target, bool useRegion,
                    std::chrono::milliseconds timeLimit, const OutputListener& listener = {},
                    const std::stop_token& stop = {}) const;

    const AWSCLIOptions options_;
};

}  // namespace tamsel
