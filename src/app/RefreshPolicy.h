#pragma once
// How soon the instance list is fetched again: quickly while an instance is changing
// state, slowly otherwise.

#include <array>
#include <chrono>
#include <span>
#include <string_view>

#include "bridge/EC2Instance.h"

namespace tamsel {

// States an instance passes through on its way to "running", "stopped" or "terminated".
// Compared exactly (case-sensitive), as EC2 reports them.
inline constexpr std::array<std::string_view, 3> kTransitionalStates = {"pending", "stopping", "shutting-down"};

inline constexpr std::chrono::milliseconds kTransitionalRefreshInterval{5000};
inline constexpr std::chrono::milliseconds kIdleRefreshInterval{30000};

bool isTransitional(std::string_view state);

// kTransitionalRefreshInterval when any instance is in a transitional state, else
// kIdleRefreshInterval (an empty list included).
std::chrono::milliseconds nextRefreshInterval(std::span<const EC2Instance> instances);

// True when any instance is exactly "running".
bool anyRunning(std::span<const EC2Instance> instances);

}  // namespace tamsel
