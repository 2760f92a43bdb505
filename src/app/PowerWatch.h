#pragma once
// Follows the instances the user started or stopped from the menu until each settles, and
// tells the user once how it ended: up (with its public address) or down, in another state
// than asked, gone from the list (counted as terminated), or still changing after ten
// minutes. Reads only successful listings; the refresh cycle already polls while an
// instance is changing.

#include <chrono>
#include <map>
#include <span>
#include <string>

#include "app/Platform.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class PowerWatch {
public:
    // Both must outlive the watch.
    PowerWatch(Notifications& notifications, const Application& application);

    // AWS accepted a start or a stop of `instance`; a later one replaces the earlier follow.
    void started(const EC2Instance& instance) { follow(instance, "running"); }
    void stopped(const EC2Instance& instance) { follow(instance, "stopped"); }
    // A listing landed without error under the current profile and region.
    void landed(std::span<const EC2Instance> instances);
    // The profile or region changed: the instances followed are no longer listed.
    void forgetAll() { followed_.clear(); }

private:
    struct Follow {
        std::string label;   // the name, or the id
        std::string target;  // "running" or "stopped"
        std::chrono::system_clock::time_point since;
        bool moved = false;  // seen in a changing state since the operation
    };

    void follow(const EC2Instance& instance, std::string target);
    // Whether `state` ends the follow; sends the notification when it does.
    bool settle(Follow& follow, const std::string& state, const EC2Instance* instance);

    Notifications& notifications_;
    const Application& application_;
    std::map<std::string, Follow> followed_;  // by instance id
};

}  // namespace tamsel
