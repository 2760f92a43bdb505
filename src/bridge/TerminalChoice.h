#pragma once
// Which terminal emulator runs a command for the user, and how it is told the command.

#include <optional>
#include <string>
#include <vector>

#include "bridge/Environment.h"

namespace tamsel {

// A program and its arguments, run directly (no shell).
struct ProgramCall {
    std::string path;
    std::vector<std::string> arguments;

    bool operator==(const ProgramCall&) const = default;
};

// The first terminal found (on `environment`'s PATH) of: xdg-terminal-exec, the one
// "TERMINAL" names, x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm;
// with `command` as the arguments it takes a command by (each word one argument). Absent
// when none is there.
std::optional<ProgramCall> terminalFor(const std::vector<std::string>& command, const Environment& environment);

}  // namespace tamsel
