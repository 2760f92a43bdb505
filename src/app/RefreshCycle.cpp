#include "app/RefreshCycle.h"

#include <utility>

#include "app/RefreshPolicy.h"

namespace tamsel {

RefreshCycle::RefreshCycle(MFACodeRequest& calls, CloudGateway& cli, const AppSettings& settings, Timers& timers,
                           SessionActivity& sessionActivity, const Application& application, Redraw redraw,
                           Listener listener)
    : calls_(calls),
      cli_(cli),
      settings_(settings),
      timers_(timers),
      sessionActivity_(sessionActivity),
      application_(application),
      redraw_(std::move(redraw)),
      listener_(std::move(listener)),
      away_(sessionActivity.away()) {
    sessionActivity_.setListener([this] { sessionActivityChanged(); });
}

RefreshCycle::~RefreshCycle() { sessionActivity_.setListener({}); }

void RefreshCycle::refresh() {
    if (loading_) return;
    begin();
}

void RefreshCycle::begin() {
    loading_ = true;
    redraw_();
    std::vector<CallTarget> others = listener_.otherTargets ? listener_.otherTargets() : std::vector<CallTarget>{};
    // Listed under the choice as it is now; one made while the job waits or runs is seen at
    // landing.
    calls_.run(
        [&cli = cli_, target = settings_.target(), others = std::move(others)] {
            Outcome outcome;
            outcome.target = target;
            outcome.error = failureOf([&] { outcome.instances = cli.describeInstances(outcome.target); });
            for (const CallTarget& other : others) {
                if (other == outcome.target) continue;
                try {
                    outcome.elsewhere.push_back({other, cli.describeInstances(other)});
                } catch (...) {
                    // Listed again at the next refresh; only what was read is handed on.
                }
            }
            return outcome;
        },
        [](const Outcome& outcome) -> const std::optional<Failure>& { return outcome.error; },
        [this](Outcome outcome) { land(std::move(outcome)); });
}

void RefreshCycle::land(Outcome outcome) {
    if (outcome.target != settings_.target()) {
        // Listed under a profile or region the user has left since: show nothing of it and
        // list again with the current ones.
        begin();
        return;
    }
    loading_ = false;
    if (outcome.error) {
        instances_.clear();
        lastError_ = std::move(outcome.error);
    } else {
        instances_ = std::move(outcome.instances);
        lastError_.reset();
        lastUpdated_ = application_.now();
    }
    listedUnder_ = std::move(outcome.target);
    listener_.listLanded();
    redraw_();
    if (listener_.otherListLanded) {
        for (const Elsewhere& listing : outcome.elsewhere) listener_.otherListLanded(listing);
    }
    scheduleNext();
}

void RefreshCycle::scheduleNext() {
    timer_.reset();  // disarms the one armed before
    // The timer is the cycle's own: destroying the cycle disarms it.
    // An instance followed elsewhere is changing too, though not in the list shown.
    const bool elsewhere = listener_.otherTargets && !listener_.otherTargets().empty();
    const auto interval = elsewhere ? kTransitionalRefreshInterval : nextRefreshInterval(instances_);
    timer_ = timers_.startOneShot(interval, [this] {
        if (loading_) return;  // a refresh under way arms the next timer when it lands
        // Nobody is looking: no listing and no next timer; the return lists at once.
        if (sessionActivity_.away()) return;
        begin();
    });
}

void RefreshCycle::sessionActivityChanged() {
    const bool wasAway = away_;
    away_ = sessionActivity_.away();
    // Back at an unlocked screen or from sleep, the list is as old as the absence (timers
    // do not run while the machine sleeps): list now, whether or not a timer came due.
    if (wasAway && !away_) refresh();
}

}  // namespace tamsel
