#pragma once
// What the user reads for a failure: a short summary, where one helps a hint at what to
// do, and its detail: the text that came with it, or its facts in words. Pure.

#include <optional>
#include <string>

#include "app/Failure.h"
#include "bridge/FailureFact.h"

namespace tamsel {

std::string summary(const Failure& failure);
std::optional<std::string> hint(const Failure& failure);
// The summary, then a line feed and the hint when there is one.
std::string description(const Failure& failure);

// The failure's own text, or its fact in words; empty when it came with neither.
std::string detail(const Failure& failure);
// The words for what the bridge reported without a text: how the tool ended, an answer of
// the wrong shape, the address lookup's answer, libcurl's trouble, a child process not run
// (the step, starting which program, then the system's reason).
std::string factText(const FailureFact& fact);

}  // namespace tamsel
