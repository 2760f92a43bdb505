#include "app/AppSettings.h"

#include "app/SettingsKeys.h"

namespace tamsel {

void AppSettings::applyStored() {
    cli_.setProfile(store_.string(kProfileKey));
    cli_.setRegion(store_.string(kRegionKey));
}

void AppSettings::setProfile(const std::optional<std::string>& profile) {
    cli_.setProfile(profile);
    store_.setString(kProfileKey, profile);
}

void AppSettings::setRegion(const std::optional<std::string>& region) {
    cli_.setRegion(region);
    store_.setString(kRegionKey, region);
}

IngressLockGroups AppSettings::ingressLockGroups() const {
    return store_.stringMap(kIngressLockGroupsKey).value_or(IngressLockGroups{});
}

void AppSettings::setIngressLockGroup(const std::string& instanceID, const std::optional<std::string>& groupID) {
    IngressLockGroups groups = ingressLockGroups();
    if (groupID)
        groups[instanceID] = *groupID;
    else
        groups.erase(instanceID);
    store_.setStringMap(kIngressLockGroupsKey, groups);
}

}  // namespace tamsel
