#include "app/PowerWatch.h"

#include <algorithm>

#include "app/NameIsolation.h"
#include "app/RefreshPolicy.h"
#include "app/Wording.h"

namespace tamsel {
namespace {

// How long an instance may keep changing before the user is told it has not settled.
constexpr std::chrono::minutes kPatience{10};
// How long a listing may still show the state from before the operation (EC2 reports
// changes with some delay) before that state counts as where the instance ended.
constexpr std::chrono::seconds kStaleListing{60};

}  // namespace

PowerWatch::PowerWatch(Notifications& notifications, const Application& application)
    : notifications_(notifications), application_(application) {}

void PowerWatch::follow(const EC2Instance& instance, const CallTarget& listedUnder, InstanceState::Kind wanted,
                        bool booked) {
    followed_[instance.id] =
        Follow{listedUnder, isolated(instance.sortKey()), wanted, application_.now(), false, booked};
}

std::vector<CallTarget> PowerWatch::followedElsewhere(const CallTarget& current) const {
    std::vector<CallTarget> targets;
    for (const auto& [id, follow] : followed_) {
        if (follow.listedUnder != current &&
            std::find(targets.begin(), targets.end(), follow.listedUnder) == targets.end())
            targets.push_back(follow.listedUnder);
    }
    return targets;
}

void PowerWatch::landed(std::span<const EC2Instance> instances, const CallTarget& target) {
    for (auto it = followed_.begin(); it != followed_.end();) {
        if (it->second.listedUnder != target) {
            ++it;
            continue;
        }
        const auto listed = std::find_if(instances.begin(), instances.end(),
                                         [&](const EC2Instance& instance) { return instance.id == it->first; });
        const bool ended = listed == instances.end() ? settle(it->second, InstanceState("terminated"), nullptr)
                                                     : settle(it->second, listed->state, &*listed);
        it = ended ? followed_.erase(it) : std::next(it);
    }
}

bool PowerWatch::settle(Follow& follow, const InstanceState& state, const EC2Instance* instance) {
    if (instance) follow.label = isolated(instance->sortKey());
    const bool starting = follow.wanted == InstanceState::running;
    const std::chrono::system_clock::duration waited = application_.now() - follow.since;

    if (state == follow.wanted) {
        if (starting) {
            const bool hasAddress = instance && instance->publicIPv4;
            notifications_.send(words::hasStarted(follow.label),
                                hasAddress ? words::publicIP(*instance->publicIPv4) : std::string());
        } else {
            notifications_.send(follow.booked ? words::stoppedAsBooked(follow.label) : words::hasStopped(follow.label),
                                "");
        }
        return true;
    }
    if (isTransitional(state)) {
        follow.moved = true;
        if (waited < kPatience) return false;
        notifications_.send(words::stillChanging(follow.label, state.word()), std::string(words::kNotSettled));
        return true;
    }
    // A state from before the operation may still be reported for a short while.
    if (state != InstanceState::terminated && !follow.moved && waited < kStaleListing) return false;
    notifications_.send(
        starting ? words::didNotStart(follow.label, state.word()) : words::didNotStop(follow.label, state.word()), "");
    return true;
}

}  // namespace tamsel
