#pragma once
// The keys of the controller's settings.

namespace tamsel {

inline constexpr const char* kProfileKey = "profile";
inline constexpr const char* kRegionKey = "region";
inline constexpr const char* kIngressLockGroupsKey = "ingressLockGroups";
inline constexpr const char* kStopBookingsKey = "stopBookings";

}  // namespace tamsel
