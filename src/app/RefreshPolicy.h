#pragma once
// How soon the instance list is fetched again: quickly while an instance is changing
// state, slowly otherwise.

#include <chrono>
#include <span>

#include "bridge/EC2Instance.h"

namespace tamsel {

inline constexpr std::chrono::milliseconds kTransitionalRefreshInterval{5000};
inline constexpr std::chrono::milliseconds kIdleRefreshInterval{30000};

// Whether `state` is one an instance passes through on its way to running, stopped or
// terminated: pending, stopping, shutting-down.
bool isTransitional(const InstanceState& state);

// kTransitionalRefreshInterval when any instance is in a transitional state, else
// kIdleRefreshInterval (an empty list included).
std::chrono::milliseconds nextRefreshInterval(std::span<const EC2Instance> instances);

// True when any instance is running.
bool anyRunning(std::span<const EC2Instance> instances);

}  // namespace tamsel
