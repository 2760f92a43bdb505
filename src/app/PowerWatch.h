#pragma once
// Follows the instances the user started or stopped from the menu until each settles, and
// tells the user once how it ended: up (with its public address) or down, in another state
// than asked, gone from the list (counted as terminated), or still changing after ten
// minutes. Reads only successful listings; the refresh cycle already polls while an
// instance is changing. An instance is followed under the profile and region it was started
// or stopped under, also once the user has chosen others (the refresh cycle then lists
// those too).

#include <chrono>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "app/Platform.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class PowerWatch {
public:
    // Both must outlive the watch.
    PowerWatch(Notifications& notifications, const Application& application);

    // AWS accepted a start or a stop of `instance`, listed under `target`; a later one
    // replaces the earlier follow.
    void started(const EC2Instance& instance, const CallTarget& target) {
        follow(instance, target, InstanceState::running);
    }
    void stopped(const EC2Instance& instance, const CallTarget& target) {
        follow(instance, target, InstanceState::stopped);
    }
    // A booked stop: told, once down, as carried out as booked.
    void stoppedAsBooked(const EC2Instance& instance, const CallTarget& target) {
        follow(instance, target, InstanceState::stopped, true);
    }
    // A listing under `target` landed without error.
    void landed(std::span<const EC2Instance> instances, const CallTarget& target);
    // The profiles and regions other than `current` that instances are followed under.
    std::vector<CallTarget> followedElsewhere(const CallTarget& current) const;

private:
    struct Follow {
        CallTarget listedUnder;      // where the instance is listed
        std::string label;           // the name, or the id
        InstanceState::Kind wanted;  // the state it was asked into: running or stopped
        std::chrono::system_clock::time_point since;
        bool moved = false;   // seen in a changing state since the operation
        bool booked = false;  // a booked stop: told as carried out as booked
    };

    void follow(const EC2Instance& instance, const CallTarget& listedUnder, InstanceState::Kind wanted,
                bool booked = false);
    // Whether `state` ends the follow; sends the notification when it does.
    bool settle(Follow& follow, const InstanceState& state, const EC2Instance* instance);

    Notifications& notifications_;
    const Application& application_;
    std::map<std::string, Follow> followed_;  // by instance id
};

}  // namespace tamsel
