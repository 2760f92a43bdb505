#pragma once
// The instance list and how it is kept fresh: one listing at a time on the work queue,
// landed on the main thread, then a one-shot timer for the next one (sooner while an
// instance is changing state). The timer lists nothing while the user is away (screen
// locked, machine going to sleep); the return lists at once and the cycle goes on. A
// refresh asked for by the user is never held back.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/Failure.h"
#include "app/MFACodeRequest.h"
#include "app/Platform.h"
#include "app/Redraw.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class RefreshCycle {
public:
    // What another profile and region listed meanwhile (an instance started there and
    // followed until it settles, though the user has chosen another since).
    struct Elsewhere {
        CallTarget target;
        std::vector<EC2Instance> instances;
    };

    // What the controller does with a listing besides drawing the menu anew.
    struct Listener {
        // The list, the error or both changed and loading is off; called before the redraw.
        std::function<void()> listLanded;
        // Besides the current profile and region, those to list in the same job (may be
        // empty); while there are any, the list is polled as while an instance changes.
        std::function<std::vector<CallTarget>()> otherTargets;
        // Each of those listed without error, after `listLanded`.
        std::function<void(const Elsewhere&)> otherListLanded;
    };

    // Everything given must outlive the cycle. Each listing runs under the choice `settings`
    // holds when it is queued. `redraw` is called when loading starts and when a listing lands.
    RefreshCycle(MFACodeRequest& calls, CloudGateway& cli, const AppSettings& settings, Timers& timers,
                 SessionActivity& sessionActivity, const Application& application, Redraw redraw, Listener listener);
    ~RefreshCycle();
    RefreshCycle(const RefreshCycle&) = delete;
    RefreshCycle& operator=(const RefreshCycle&) = delete;

    // Starts a listing unless one is under way.
    void refresh();
    // Starts a listing even while one is under way: one queued before an operation may
    // predate the operation's effect.
    void refreshAfterOperation() { begin(); }
    // Drops the list (after a change of profile or region).
    void forgetInstances() { instances_.clear(); }
    // The profile and region the list shown was read under.
    const CallTarget& listedUnder() const { return listedUnder_; }

    const std::vector<EC2Instance>& instances() const { return instances_; }
    const std::optional<Failure>& lastError() const { return lastError_; }
    std::optional<std::chrono::system_clock::time_point> lastUpdated() const { return lastUpdated_; }
    bool loading() const { return loading_; }

private:
    // What one listing brings back: the list, or the error that replaced it, and what the
    // listing was asked with (a list is only shown under these).
    struct Outcome {
        std::vector<EC2Instance> instances;
        std::optional<Failure> error;
        CallTarget target;
        std::vector<Elsewhere> elsewhere;
    };

    void begin();  // loading on, menu drawn, listing queued: no guard
    void land(Outcome outcome);
    void scheduleNext();
    void sessionActivityChanged();

    MFACodeRequest& calls_;
    CloudGateway& cli_;
    const AppSettings& settings_;
    Timers& timers_;
    SessionActivity& sessionActivity_;
    const Application& application_;
    Redraw redraw_;
    Listener listener_;

    std::vector<EC2Instance> instances_;
    std::optional<Failure> lastError_;
    std::optional<std::chrono::system_clock::time_point> lastUpdated_;
    CallTarget listedUnder_;
    bool loading_ = false;
    bool away_;  // as last told, so that only a return lists
    std::unique_ptr<OneShotTimer> timer_;
};

}  // namespace tamsel
