#pragma once
// Runs one executable as a child process and collects what it writes.

#include <chrono>
#include <string>
#include <vector>

#include "bridge/Environment.h"

namespace tamsel {

// How long one tool call may take before its process group is ended. The aws tool's own
// connect and read time-outs are 60 s each, so a call that has not ended after two minutes
// is hung, not slow; ending it frees the work queue and tells the user.
inline constexpr std::chrono::seconds kToolTimeLimit{120};
// After SIGTERM, how long the process group has to go before it gets SIGKILL.
inline constexpr std::chrono::milliseconds kTerminationGrace{2000};

// Runs `path` directly (no shell, no search-path lookup) with `arguments`, `environment`,
// standard input from /dev/null and both output streams drained at once. The child leads
// a process group of its own.
// Returns the complete standard output on exit status 0.
// Throws AWSError::failed with the trimmed standard-error text (or the exit-status text)
// on any other status, AWSError::failed naming the limit when the call outlives
// `timeLimit` (the whole group is ended and reaped first), and std::system_error when
// the child cannot be started.
std::string runProcess(const std::string& path, const std::vector<std::string>& arguments,
                       const Environment& environment,
                       std::chrono::milliseconds timeLimit = kToolTimeLimit);

// For quitting: sends SIGTERM to the process group of every call under way (each then
// ends as a failed call) and makes every later call fail without starting a child.
void stopRunningProcesses();

}  // namespace tamsel
