#pragma once
// The keys of the controller's settings.

namespace tamsel {

inline constexpr const char* kProfileKey = "profile";
inline constexpr const char* kRegionKey = "region";
inline constexpr const char* kIngressLockGroupsKey = "ingressLockGroups";
inline constexpr const char* kStopBookingsKey = "stopBookings";
// One line per profile and region: the favourite instances' ids, separated by spaces.
inline constexpr const char* kFavouritesKey = "favourites";
// "true" while the list shows the favourites alone.
inline constexpr const char* kFavouritesOnlyKey = "favouritesOnly";

}  // namespace tamsel
