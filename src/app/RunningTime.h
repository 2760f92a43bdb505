#pragma once
// How long a running instance has been running, from the launch time the tool reports
// (the time of its last start), for the line in its submenu.

#include <chrono>
#include <optional>
#include <string>

#include "bridge/EC2Instance.h"

namespace tamsel {

// "起動から 12 分", "起動から 3 時間 12 分" or "起動から 2 日 3 時間" for a running `instance`
// at `now`; absent in any other state, and when the launch time is missing or later than
// `now`.
std::optional<std::string> runningTimeLine(const EC2Instance& instance, std::chrono::system_clock::time_point now);

}  // namespace tamsel
