#include "app/AppSettings.h"

#include <algorithm>

#include "app/SettingsKeys.h"

namespace tamsel {
namespace {

// The line of `target` among the favourites: the profile and the region joined by a dot
// (no region name holds one), each empty for the CLI's own choice ("." for both). A '/'
// would split the key into sections in the file, so it is written %2F, and '%' as %25.
std::string favouritesLine(const CallTarget& target) {
    std::string line;
    const auto append = [&line](const std::optional<std::string>& part) {
        for (const char c : part.value_or("")) {
            if (c == '%') line += "%25";
            else if (c == '/') line += "%2F";
            else line += c;
        }
    };
    append(target.profile);
    line += '.';
    append(target.region);
    return line;
}

std::set<std::string> idsIn(const std::string& text) {
    // Spaces between the ids, as written; a comma typed by hand separates them too.
    std::set<std::string> ids;
    std::string id;
    for (const char c : text + ' ') {
        if (c == ' ' || c == ',' || c == '\t') {
            if (!id.empty()) ids.insert(id);
            id.clear();
        } else {
            id += c;
        }
    }
    return ids;
}

std::string textOf(const std::set<std::string>& ids) {
    std::string text;
    for (const std::string& id : ids) text += (text.empty() ? "" : " ") + id;
    return text;
}

}  // namespace

void AppSettings::applyStored() { target_ = {store_.string(kProfileKey), store_.string(kRegionKey)}; }

std::optional<Failure> AppSettings::setProfile(const std::optional<std::string>& profile) {
    target_.profile = profile;
    return store_.setString(kProfileKey, profile);
}

std::optional<Failure> AppSettings::setRegion(const std::optional<std::string>& region) {
    target_.region = region;
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

std::set<std::string> AppSettings::favourites(const CallTarget& target) const {
    const auto lines = store_.stringMap(kFavouritesKey);
    if (!lines) return {};
    const auto line = lines->find(favouritesLine(target));
    return line == lines->end() ? std::set<std::string>{} : idsIn(line->second);
}

std::optional<Failure> AppSettings::setFavourite(const CallTarget& target, const std::string& instanceID,
                                                 bool favourite) {
    std::set<std::string> ids = favourites(target);
    if (favourite) ids.insert(instanceID);
    else ids.erase(instanceID);
    return storeFavourites(target, ids);
}

void AppSettings::keepListedFavourites(const CallTarget& target, std::span<const EC2Instance> listed) {
    std::set<std::string> ids = favourites(target);
    const auto gone = std::erase_if(ids, [&](const std::string& id) {
        return std::none_of(listed.begin(), listed.end(),
                            [&](const EC2Instance& instance) { return instance.id == id; });
    });
    if (gone > 0) (void)storeFavourites(target, ids);
}

std::optional<Failure> AppSettings::storeFavourites(const CallTarget& target, const std::set<std::string>& ids) {
    // Read again first, so that the lines of the other profiles and regions are kept.
    auto lines = store_.stringMap(kFavouritesKey).value_or(std::map<std::string, std::string>{});
    if (ids.empty()) lines.erase(favouritesLine(target));
    else lines[favouritesLine(target)] = textOf(ids);
    return store_.setStringMap(kFavouritesKey, lines);
}

bool AppSettings::favouritesOnly() const { return store_.string(kFavouritesOnlyKey) == "true"; }

std::optional<Failure> AppSettings::setFavouritesOnly(bool only) {
    return store_.setString(kFavouritesOnlyKey, only ? std::optional<std::string>("true") : std::nullopt);
}

}  // namespace tamsel
