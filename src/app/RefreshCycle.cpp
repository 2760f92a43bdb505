#include "app/RefreshCycle.h"

#include <utility>

#include "app/CaughtError.h"
#include "app/RefreshPolicy.h"

namespace tamsel {

RefreshCycle::RefreshCycle(HandOff& handOff, CloudGateway& cli, Timers& timers, SessionActivity& sessionActivity,
                           const Application& application, Listener listener)
    : handOff_(handOff),
      cli_(cli),
      timers_(timers),
      sessionActivity_(sessionActivity),
      application_(application),
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
    listener_.started();
    handOff_.run(
        [&cli = cli_] {
            Outcome outcome;
            // Read before the listing reads them: a choice made in between is then taken
            // for a change, and costs one more listing rather than a list shown under the
            // wrong title.
            outcome.profile = cli.profile();
            outcome.region = cli.region();
            try {
                outcome.instances = cli.describeInstances();
            } catch (...) {
                outcome.error = caughtError();
            }
            return outcome;
        },
        [this](Outcome outcome) { land(std::move(outcome)); });
}

void RefreshCycle::land(Outcome outcome) {
    if (outcome.profile != cli_.profile() || outcome.region != cli_.region()) {
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
    listener_.landed();
    scheduleNext();
}

void RefreshCycle::scheduleNext() {
    timer_.reset();  // disarms the one armed before
    // The timer is the cycle's own: destroying the cycle disarms it.
    timer_ = timers_.startOneShot(nextRefreshInterval(instances_), [this] {
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
