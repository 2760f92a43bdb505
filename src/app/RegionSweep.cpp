#include "app/RegionSweep.h"

#include <utility>
#include <vector>

#include "app/Regions.h"

namespace tamsel {

RegionSweep::RegionSweep(WorkQueue& queue, MainThread& mainThread, CloudGateway& cli, const Application& application,
                         Redraw redraw)
    : cli_(cli), application_(application), redraw_(std::move(redraw)), handOff_(queue, mainThread) {}

RegionSweep::~RegionSweep() { dropping_.request_stop(); }

void RegionSweep::begin(const CallTarget& chosen) {
    if (view_.progress) return;
    std::vector<std::string> regions;
    for (std::string_view region : kRegions) {
        if (region != chosen.region) regions.emplace_back(region);
    }
    view_.counts.clear();
    view_.finishedAt.reset();
    view_.progress = std::pair<std::size_t, std::size_t>{0, regions.size()};
    redraw_();

    const std::stop_token dropped = dropping_.get_token();
    for (const std::string& region : regions) {
        handOff_.run(
            [&cli = cli_, dropped, target = CallTarget{chosen.profile, region}] {
                Counted counted;
                if (dropped.stop_requested()) return counted;
                counted.asked = true;
                try {
                    counted.count = cli.countActiveInstances(target, dropped);
                } catch (...) {
                    // Shown as a region that could not be checked; the others still show.
                }
                return counted;
            },
            [this, dropped, region](const Counted& counted) {
                if (!counted.asked || dropped.stop_requested() || !view_.progress) return;
                view_.counts[region] = counted.count;
                if (++view_.progress->first == view_.progress->second) {
                    view_.progress.reset();
                    view_.finishedAt = application_.now();
                }
                redraw_();
            });
    }
}

void RegionSweep::forget() {
    dropping_.request_stop();
    dropping_ = std::stop_source();
    view_ = {};
}

}  // namespace tamsel
