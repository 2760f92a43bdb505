#pragma once
// The settings the controller keeps: the CLI profile and region (stored, and handed to each
// call that runs under the current choice), the ingress lock mapping, the booked stops and
// the favourite instances of each profile and region. A choice the store cannot take holds for
// this run (see SettingsKeeper); the setters return why it was not stored.

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "app/MenuModel.h"
#include "app/Platform.h"
#include "app/SettingsKeeper.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class AppSettings {
public:
    // `store` must outlive the settings.
    explicit AppSettings(SettingsStore& store) : store_(store) {}

    // Takes the stored profile and region as the choice.
    void applyStored();

    // The chosen profile and region, on the main thread only: a job queued to run under
    // them takes a copy as it is queued.
    const CallTarget& target() const { return target_; }
    const std::optional<std::string>& profile() const { return target_.profile; }
    const std::optional<std::string>& region() const { return target_.region; }
    // Absent leaves the choice to the tool's own configuration.
    [[nodiscard]] std::optional<Failure> setProfile(const std::optional<std::string>& profile);
    [[nodiscard]] std::optional<Failure> setRegion(const std::optional<std::string>& region);

    // The stored mapping; empty when there is none or it cannot be read.
    IngressLockGroups ingressLockGroups() const;
    // Locks `groupID` at each start of `instanceID`, or nothing when absent. The mapping is
    // read again first, so a change made meanwhile elsewhere in it is kept.
    [[nodiscard]] std::optional<Failure> setIngressLockGroup(const std::string& instanceID,
                                                             const std::optional<std::string>& groupID);

    // The booked stops as stored (instance id to the booking's text); empty when there are
    // none or they cannot be read. StopBookings reads and writes what each text holds.
    std::map<std::string, std::string> stopBookings() const;
    [[nodiscard]] std::optional<Failure> setStopBookings(const std::map<std::string, std::string>& bookings);

    // The ids of the favourite instances under `target`; empty when there are none.
    std::set<std::string> favourites(const CallTarget& target) const;
    [[nodiscard]] std::optional<Failure> setFavourite(const CallTarget& target, const std::string& instanceID,
                                                      bool favourite);
    // Drops the favourites of `target` that a successful listing under it no longer shows.
    // A failure to store it is kept for this run and stored with the next change.
    void keepListedFavourites(const CallTarget& target, std::span<const EC2Instance> listed);
    // Whether the list shows the favourites alone.
    bool favouritesOnly() const;
    [[nodiscard]] std::optional<Failure> setFavouritesOnly(bool only);

private:
    std::optional<Failure> storeFavourites(const CallTarget& target, const std::set<std::string>& ids);

    SettingsKeeper store_;
    CallTarget target_;
};

}  // namespace tamsel
