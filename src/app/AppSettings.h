#pragma once
// The settings the controller keeps: the CLI profile and region (stored, and applied to
// the gateway that uses them) and the ingress lock mapping.

#include <optional>
#include <string>

#include "app/CloudGateway.h"
#include "app/MenuModel.h"
#include "app/Platform.h"

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
    void setProfile(const std::optional<std::string>& profile);
    void setRegion(const std::optional<std::string>& region);

    // The stored mapping; empty when there is none or it cannot be read.
    IngressLockGroups ingressLockGroups() const;
    // Locks `groupID` at each start of `instanceID`, or nothing when absent. The mapping is
    // read again first, so a change made meanwhile elsewhere in it is kept.
    void setIngressLockGroup(const std::string& instanceID, const std::optional<std::string>& groupID);

private:
    SettingsStore& store_;
    CloudGateway& cli_;
};

}  // namespace tamsel
