#include "bridge/TerminalChoice.h"

#include <array>
#include <string_view>

#include "bridge/ProgramSearch.h"

namespace tamsel {
namespace {

struct KnownTerminal {
    std::string_view name;
    std::string_view before;  // the argument before the command; empty: none
};

// How each known terminal is told that the rest of its arguments are the command.
constexpr std::array<KnownTerminal, 6> kKnownTerminals{{
    {"xdg-terminal-exec", ""},
    {"x-terminal-emulator", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
    {"xfce4-terminal", "-x"},
    {"xterm", "-e"},
}};

std::string_view argumentBefore(const std::string& program) {
    const std::string_view name = std::string_view(program).substr(program.rfind('/') + 1);
    for (const KnownTerminal& known : kKnownTerminals) {
        if (known.name == name) return known.before;
    }
    // The form most terminals take, and what TERMINAL conventionally expects.
    return "-e";
}

ProgramCall callOf(std::string path, const std::vector<std::string>& command) {
    ProgramCall call{std::move(path), {}};
    const std::string_view before = argumentBefore(call.path);
    if (!before.empty()) call.arguments.emplace_back(before);
    call.arguments.insert(call.arguments.end(), command.begin(), command.end());
    return call;
}

}  // namespace

std::optional<ProgramCall> terminalFor(const std::vector<std::string>& command, const Environment& environment) {
    std::vector<std::string> candidates{"xdg-terminal-exec"};
    if (auto named = environment.get("TERMINAL")) candidates.push_back(*named);
    for (std::string_view name : {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm"}) {
        candidates.emplace_back(name);
    }
    for (const std::string& candidate : candidates) {
        if (auto path = findProgram(candidate, environment)) return callOf(std::move(*path), command);
    }
    return std::nullopt;
}

}  // namespace tamsel
