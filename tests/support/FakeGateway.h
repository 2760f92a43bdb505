#pragma once
// A cloud gateway that answers what the test scripted and records every call, and the
// instance records the scripts are made of.

#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>
#include <vector>

#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel::test {

// Answers with what the test scripted and records every call, in order.
class FakeGateway final : public CloudGateway {
public:
    std::vector<std::string> listProfiles(const CallTarget& target) override {
        calls.push_back("listProfiles");
        targets.push_back(target);
        return profileNames;
    }
    std::vector<EC2Instance> describeInstances(const CallTarget& target) override {
        calls.push_back("describeInstances");
        targets.push_back(target);
        takeCode("describeInstances");
        if (listings.empty()) return {};
        auto next = std::move(listings.front());
        listings.pop_front();
        if (auto* error = std::get_if<std::exception_ptr>(&next)) std::rethrow_exception(*error);
        return std::get<std::vector<EC2Instance>>(next);
    }
    // Recorded as "imageNames AMI AMI…"; answers from `images` (absent: no such image).
    std::map<std::string, std::string> imageNames(const std::vector<std::string>& imageIDs,
                                                  const CallTarget& target) override {
        std::string call = "imageNames";
        std::map<std::string, std::string> names;
        for (const std::string& id : imageIDs) {
            call += " " + id;
            if (const auto found = images.find(id); found != images.end()) names.insert(*found);
        }
        record(call, target);
        return names;
    }
    void start(const std::string& instanceID, const CallTarget& target) override {
        record("start " + instanceID, target);
    }
    void stop(const std::string& instanceID, const CallTarget& target) override {
        record("stop " + instanceID, target);
    }
    std::string globalIPv4() override {
        record("globalIPv4", {});
        return address;
    }
    void restrictIngress(const std::string& groupID, const std::string& to, const CallTarget& target) override {
        record("restrictIngress " + groupID + " " + to, target);
    }
    // Recorded as "countActiveInstances REGION"; runs `whileCounting` with `stop`, then
    // answers `counts` (absent: 0).
    std::size_t countActiveInstances(const CallTarget& target, const std::stop_token& stop) override {
        const std::string region = target.region.value_or("");
        if (whileCounting) whileCounting(stop);
        record("countActiveInstances " + region, target);
        const auto found = counts.find(region);
        return found == counts.end() ? 0 : found->second;
    }
    // Tells `prompted` each of `signInPrompts` in turn, then ends as scripted.
    void ssoLogin(const CallTarget& target, const std::function<void(const SignInPrompt&)>& prompted) override {
        for (const SignInPrompt& prompt : signInPrompts) prompted(prompt);
        record("ssoLogin", target);
    }

    void giveMFACode(std::optional<std::string> code) override { mfaCode_ = std::move(code); }

    std::vector<std::string> profileNames;
    // Image id to its name, for imageNames.
    std::map<std::string, std::string> images;
    // One entry per describeInstances call: a list, or an error to throw. Empty: an empty list.
    std::deque<std::variant<std::vector<EC2Instance>, std::exception_ptr>> listings;
    std::string address = "203.0.113.7";
    // What a count does while the tool would run (e.g. what the user does meanwhile).
    std::function<void(const std::stop_token&)> whileCounting;
    // Running and pending instances per region, for countActiveInstances.
    std::map<std::string, std::size_t> counts;
    // What ssoLogin reports the tool printed, in order.
    std::vector<SignInPrompt> signInPrompts;
    // Calls (as recorded, e.g. "start i-1") that throw the given error.
    std::map<std::string, std::exception_ptr> failures;
    std::vector<std::string> calls;
    // Beside each call, the profile and region it was given (globalIPv4 takes none: an
    // empty one).
    std::vector<CallTarget> targets;
    // Each call that took an MFA code, as "CALL CODE".
    std::vector<std::string> codesTaken;

private:
    void takeCode(const std::string& call) {
        if (mfaCode_) codesTaken.push_back(call + " " + *mfaCode_);
        mfaCode_.reset();
    }
    void record(const std::string& call, const CallTarget& target) {
        calls.push_back(call);
        if (call != "globalIPv4") takeCode(call);  // the address lookup runs no tool
        targets.push_back(target);
        if (auto failure = failures.find(call); failure != failures.end()) std::rethrow_exception(failure->second);
    }
    std::optional<std::string> mfaCode_;
};

template <class E>
std::exception_ptr errorOf(E error) {
    return std::make_exception_ptr(std::move(error));
}

inline EC2Instance instance(std::string id, std::string state, std::string name = {},
                            std::vector<SecurityGroup> groups = {}) {
    EC2Instance record;
    record.id = std::move(id);
    record.name = std::move(name);
    record.state = std::move(state);
    record.type = "t3.micro";
    record.securityGroups = std::move(groups);
    return record;
}

}  // namespace tamsel::test
