#pragma once
// What one run of the aws tool gives the gateway: its standard output, or the AWSError
// that the way it ended means.

#include <chrono>
#include <string>

#include "bridge/ChildProcess.h"

namespace tamsel {

// How long one tool call may take before its process group is ended. The aws tool's own
// connect and read time-outs are 60 s each, so a call that has not ended after two minutes
// is hung, not slow; ending it frees the work queue and tells the user.
inline constexpr std::chrono::seconds kToolTimeLimit{120};

// How long "aws sso login" may take: the tool opens the browser and waits there for the
// user to sign in, which takes minutes, not seconds.
inline constexpr std::chrono::minutes kSignInTimeLimit{5};

// The standard output of a run that exited with status 0. Otherwise throws
// AWSError::failed: with the trimmed standard-error text when it is valid UTF-8 and not
// empty, else with the ToolEnding that says how the tool ended (its exit code, the signal
// that ended it, the time limit `timeLimit` it outlived, or that it was not started while
// quitting, or that it was no longer wanted).
std::string toolOutput(ProcessResult result, std::chrono::milliseconds timeLimit);

}  // namespace tamsel
