#pragma once
// The settings the controller keeps: the CLI profile and region (stored, and applied to
// the gateway that uses them) and the ingress lock mapping. A choice the store cannot take
// holds for this run (see SettingsKeeper); the setters return why it was not stored.

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
    [[nodiscard]] std::optional<SettingsWriteError> setProfile(const std::optional<std::string>& profile);
    [[nodiscard]] std::optional<SettingsWriteError> setRegion(const std::optional<std::string>& region);

    // The stored mapping; empty when there is none or it cannot be read.
    IngressLockGroups ingressLockGroups() const;
    // Locks `groupID` at each start of `instanceID`, or nothing when absent. The mapping is
    // read again first, so a change made meanwhile elsewhere in it is kept.
    [[nodiscard]] std::optional<SettingsWriteError> setIngressLockGroup(const std::string& instanceID,
                                                                        const std::optional<std::string>& groupID);

private:
    SettingsKeeper store_;
    CloudGateway& cli_;
};

}  // namespace tamsel
