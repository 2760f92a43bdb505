#pragma once
// How long a running instance has been running, from the launch time the tool reports
// (the time of its last start), for the line in its submenu.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/EC2Instance.h"

namespace tamsel {

// The moment `text` names, written as the tool prints times: "2026-12-08T09:41:00+00:00",
// with or without fractions of a second, "Z" or an offset ("+09:00", "+0900"). Absent for
// anything else, and for a time the clock cannot hold (year 9999): a malformed time is
// ignored, never an error.
std::optional<std::chrono::system_clock::time_point> parseLaunchTime(std::string_view text);

// "起動から 12 分", "起動から 3 時間 12 分" or "起動から 2 日 3 時間" for a running `instance`
// at `now`; absent in any other state, and when the launch time is missing, malformed or
// later than `now`.
std::optional<std::string> runningTimeLine(const EC2Instance& instance, std::chrono::system_clock::time_point now);

}  // namespace tamsel
