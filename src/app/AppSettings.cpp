#include "app/AppSettings.h"

#include "app/SettingsKeys.h"

namespace tamsel {

void AppSettings::applyStored() {
    cli_.setProfile(store_.string(kProfileKey));
    cli_.setRegion(store_.string(kRegionKey));
}

std::optional<Failure> AppSettings::setProfile(const std::optional<std::string>& profile) {
    cli_.setProfile(profile);
    return store_.setString(kProfileKey, profile);
}

std::optional<Failure> AppSettings::setRegion(const std::optional<std::string>& region) {
    cli_.setRegion(region);
    return store_.setString(kRegionKey, region);
}

IngressLockGroups AppSettings::ingressLockGroups() const {
    return store_.stringMap(kIngressLockGroupsKey).value_or(IngressLockGroups{});
}

std::optional<Failure> AppSettings::setIngressLockGroup(const std::string& instanceID,
                                                        const std::optional<std::string>& groupID) {
    IngressLockGroups groups = ingressLockGroups();
    if (groupID) groups[instanceID] = *groupID;
    else groups.erase(instanceID);
    return store_.setStringMap(kIngressLockGroupsKey, groups);
}

std::map<std::string, std::string> AppSettings::stopBookings() const {
    return store_.stringMap(kStopBookingsKey).value_or(std::map<std::string, std::string>{});
}

std::optional<Failure> AppSettings::setStopBookings(const std::map<std::string, std::string>& bookings) {
    return store_.setStringMap(kStopBookingsKey, bookings);
}

}  // namespace tamsel
