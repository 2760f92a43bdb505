#pragma once
// The AWS operations the application runs, and the profile and region each runs under.
// AWSCLI is the real gateway; unit tests of the controller use a scripted fake. A gateway
// keeps no choice of profile and region: the controller owns it and hands it to each call.

#include <functional>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "bridge/EC2Instance.h"
#include "bridge/SignInPrompt.h"

namespace tamsel {

// The profile and region one call runs under; an absent one is left to the tool's own
// configuration. An action keeps the pair its instance was listed under, whatever the
// user chooses while it waits in the queue.
struct CallTarget {
    std::optional<std::string> profile;
    std::optional<std::string> region;

    bool operator==(const CallTarget&) const = default;
};

class CloudGateway {
public:
    virtual ~CloudGateway() = default;

    // Called on the work queue only; they block the caller and fail as AWSCLI's say they
    // do (mostly AWSError; some also nlohmann::json::parse_error, listProfiles never).
    // Each runs under the `target` it is given.
    virtual std::vector<std::string> listProfiles(const CallTarget& target) = 0;
    virtual std::vector<EC2Instance> describeInstances(const CallTarget& target) = 0;
    virtual std::map<std::string, std::string> imageNames(const std::vector<std::string>& imageIDs,
                                                          const CallTarget& target) = 0;
    virtual void start(const std::string& instanceID, const CallTarget& target) = 0;
    virtual void stop(const std::string& instanceID, const CallTarget& target) = 0;
    virtual std::string globalIPv4() = 0;
    virtual void restrictIngress(const std::string& groupID, const std::string& address, const CallTarget& target) = 0;
    // Called on the sweep queue, several at once, beside the work queue. Once `stop` is
    // asked to stop, the call ends at once and throws.
    virtual std::size_t countActiveInstances(const CallTarget& target, const std::stop_token& stop) = 0;
    // Called on the sign-in queue, beside the work queue: it waits minutes for the user.
    // `prompted` is called there, while it waits, with what the tool asks the user to do
    // where it cannot open the browser.
    virtual void ssoLogin(const CallTarget& target, const std::function<void(const SignInPrompt&)>& prompted) = 0;
    // The MFA code for the next call made on the calling thread, whatever the call; absent
    // takes back a code no call has taken yet. Kept per thread, so that calls run beside
    // the work queue (the sweep) never take it.
    virtual void giveMFACode(std::optional<std::string> code) = 0;
};

}  // namespace tamsel
