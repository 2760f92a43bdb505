#pragma once
// Every region at a glance: for the current profile, how many instances run or are starting
// in each region of the region menu other than the chosen one. The counts are asked on a
// queue of their own (several at once), beside the work queue, so listings and actions never
// wait for them; each lands on the main thread as it comes. The counts belong to the profile
// they were asked under: forget() drops them, and the sweep under way, when it changes; the
// calls of a dropped sweep end at once, so that they hold up no new one.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>

#include "app/HandOff.h"
#include "app/Platform.h"
#include "app/Redraw.h"
#include "bridge/CloudGateway.h"

namespace tamsel {

// What counting one region gave: its running and pending instances, or nothing when the
// call failed.
using RegionCount = std::optional<std::size_t>;

// What the region menu shows of the sweep.
struct SweepView {
    std::map<std::string, RegionCount, std::less<>> counts;  // the regions counted so far
    // While a sweep runs: the regions counted and the regions it counts.
    std::optional<std::pair<std::size_t, std::size_t>> progress;
    std::optional<std::chrono::system_clock::time_point> finishedAt;  // of the last whole sweep

    bool operator==(const SweepView&) const = default;
};

class RegionSweep {
public:
    // Everything given must outlive the sweep, and `queue` must have finished or dropped its
    // jobs before `cli` goes. `redraw` is called as the sweep starts and as counts land.
    RegionSweep(WorkQueue& queue, MainThread& mainThread, CloudGateway& cli, const Application& application,
                Redraw redraw);
    // Ends the calls under way.
    ~RegionSweep();
    RegionSweep(const RegionSweep&) = delete;
    RegionSweep& operator=(const RegionSweep&) = delete;

    // Counts every region of kRegions but the region of `chosen`, under its profile, unless
    // a sweep is under way. With no region chosen, all of them: the region the tool's own
    // configuration names is not known here.
    void begin(const CallTarget& chosen);
    // Drops the counts and the sweep under way: its calls under way end, those not yet
    // started are skipped.
    void forget();
    const SweepView& view() const { return view_; }

private:
    // What a count job hands back: nothing when it was skipped after forget().
    struct Counted {
        bool asked = false;
        RegionCount count;
    };

    CloudGateway& cli_;
    const Application& application_;
    Redraw redraw_;
    SweepView view_;
    // Asked to stop by forget(), then replaced: a call of an older sweep ends (or is skipped)
    // and its landing is dropped.
    std::stop_source dropping_;
    HandOff handOff_;
};

}  // namespace tamsel
