#pragma once
// The AWS operations the controller runs off the main thread. AWSCLIGateway is the real
// one; unit tests of the controller use a scripted fake. A gateway keeps no choice of
// profile and region: the controller owns it (AppSettings) and hands it to each call.

#include <functional>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "bridge/AWSCLI.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class CloudGateway {
public:
    virtual ~CloudGateway() = default;

    // Called on the work queue only; they block and throw like AWSCLI's. Each runs under
    // the `target` it is given.
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
    // where it cannot open the browser (see AWSCLI::ssoLogin).
    virtual void ssoLogin(const CallTarget& target, const std::function<void(const SignInPrompt&)>& prompted) = 0;
    // The MFA code for the next call of the tool made on the calling thread (see
    // AWSCLI::giveMFACode); absent takes it back when no call took it.
    virtual void giveMFACode(std::optional<std::string> code) = 0;
};

class AWSCLIGateway final : public CloudGateway {
public:
    explicit AWSCLIGateway(AWSCLIOptions options = {}) : cli_(std::move(options)) {}

    std::vector<std::string> listProfiles(const CallTarget& target) override { return cli_.listProfiles(target); }
    std::vector<EC2Instance> describeInstances(const CallTarget& target) override {
        return cli_.describeInstances(target);
    }
    std::map<std::string, std::string> imageNames(const std::vector<std::string>& imageIDs,
                                                  const CallTarget& target) override {
        return cli_.imageNames(imageIDs, target);
    }
    void start(const std::string& instanceID, const CallTarget& target) override { cli_.start(instanceID, target); }
    void stop(const std::string& instanceID, const CallTarget& target) override { cli_.stop(instanceID, target); }
    std::string globalIPv4() override { return cli_.globalIPv4(); }
    void restrictIngress(const std::string& groupID, const std::string& address, const CallTarget& target) override {
        cli_.restrictIngress(groupID, address, target);
    }
    std::size_t countActiveInstances(const CallTarget& target, const std::stop_token& stop) override {
        return cli_.countActiveInstances(target, stop);
    }
    void ssoLogin(const CallTarget& target, const std::function<void(const SignInPrompt&)>& prompted) override {
        cli_.ssoLogin(target, prompted);
    }
    void giveMFACode(std::optional<std::string> code) override { AWSCLI::giveMFACode(std::move(code)); }

private:
    AWSCLI cli_;
};

}  // namespace tamsel
