#pragma once
// What the user reads for a failure: a short summary and, where one helps, a hint at what
// to do; and the failure's own text where the bridge reported only facts. Pure.

#include <optional>
#include <string>

#include "app/Failure.h"
#include "bridge/FailureFact.h"

namespace tamsel {

class ProcessFailure;

std::string summary(const Failure& failure);
std::optional<std::string> hint(const Failure& failure);
// The summary, then a line feed and the hint when there is one.
std::string description(const Failure& failure);

// The text shown as a failure's detail for what the bridge reported without one: how the
// tool ended, an answer of the wrong shape, the address lookup's answer, libcurl's trouble.
std::string factText(const FailureFact& fact);
// A child process that failed: the step (starting which program), then the system's reason.
std::string processFailureText(const ProcessFailure& failure);

}  // namespace tamsel
