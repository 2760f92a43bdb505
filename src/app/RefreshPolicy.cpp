#include "app/RefreshPolicy.h"

#include <algorithm>

namespace tamsel {

bool isTransitional(std::string_view state) {
    return std::find(kTransitionalStates.begin(), kTransitionalStates.end(), state) != kTransitionalStates.end();
}

std::chrono::milliseconds nextRefreshInterval(std::span<const EC2Instance> instances) {
    const bool changing = std::any_of(instances.begin(), instances.end(),
                                      [](const EC2Instance& instance) { return isTransitional(instance.state); });
    return changing ? kTransitionalRefreshInterval : kIdleRefreshInterval;
}

bool anyRunning(std::span<const EC2Instance> instances) {
    return std::any_of(instances.begin(), instances.end(),
                       [](const EC2Instance& instance) { return instance.state == "running"; });
}

}  // namespace tamsel
