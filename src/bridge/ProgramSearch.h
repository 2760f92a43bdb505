#pragma once
// Finding a program as a shell would: by its path, or by its name in the directories of
// "PATH".

#include <optional>
#include <string>

#include "bridge/Environment.h"

namespace tamsel {

// The executable regular file `name` names: itself when it holds a "/", else the first in
// the directories of `environment`'s "PATH" (/usr/local/bin:/usr/bin:/bin when unset).
// Absent when there is none, or `name` is empty.
std::optional<std::string> findProgram(const std::string& name, const Environment& environment);

}  // namespace tamsel
