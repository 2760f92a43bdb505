#include "app/RefreshPolicy.h"

#include <algorithm>

namespace tamsel {

bool isTransitional(const InstanceState& state) {
    return state == InstanceState::pending || state == InstanceState::stopping || state == InstanceState::shuttingDown;
}

std::chrono::milliseconds nextRefreshInterval(std::span<const EC2Instance> instances) {
    const bool changing = std::any_of(instances.begin(), instances.end(),
                                      [](const EC2Instance& instance) { return isTransitional(instance.state); });
    return changing ? kTransitionalRefreshInterval : kIdleRefreshInterval;
}

bool anyRunning(std::span<const EC2Instance> instances) {
    return std::any_of(instances.begin(), instances.end(),
                       [](const EC2Instance& instance) { return instance.state == InstanceState::running; });
}

}  // namespace tamsel
