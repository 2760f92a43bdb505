#pragma once
// Starting a program that is the user's, not ours: it outlives the application.

#include <string>
#include <vector>

#include "bridge/Environment.h"

namespace tamsel {

// Starts `path` (no shell, no search) with `arguments` and `environment` in a session of
// its own, so that it is in none of the process groups ended at quit, with standard input
// and output on /dev/null, no other descriptor, and a clean signal state; it is not waited
// for (an intermediate child that exits at once makes it init's). Returns once the program
// has been executed. Throws ProcessFailure (Step::start) when it could not be.
void launchDetached(const std::string& path, const std::vector<std::string>& arguments, const Environment& environment);

}  // namespace tamsel
