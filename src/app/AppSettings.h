#pragma once
// The settings the controller keeps: the CLI profile and region (stored, and applied to
// the gateway that uses them), the ingress lock mapping and the booked stops. A choice the
// store cannot take holds for this run (see SettingsKeeper); the setters return why it was
// not stored.

#include <map>
#include <optional>
#include <string>

#include "app/CloudGateway.h"
#include "app/MenuModel.h"
#include "app/Platform.h"
#include "app/SettingsKeeper.h"

namespace tamsel {

class AppSettings {
public:
    // Both must outlive the settings.
    AppSettings(SettingsStore& store, CloudGateway& cli) : store_(store), cli_(cli) {}

    // Applies the stored profile and region to the gateway.
    void applyStored();

    std::optional<std::string> profile() const { return cli_.profile(); }
    std::optional<std::string> region() const { return cli_.region(); }
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

private:
    SettingsKeeper store_;
    CloudGateway& cli_;
};

}  // namespace tamsel
