#pragma once
// What the user reads for a failure: a short summary and, where one helps, a hint at what
// to do. Pure.

#include <optional>
#include <string>

#include "app/Failure.h"

namespace tamsel {

std::string summary(const Failure& failure);
std::optional<std::string> hint(const Failure& failure);
// The summary, then a line feed and the hint when there is one.
std::string description(const Failure& failure);

}  // namespace tamsel
