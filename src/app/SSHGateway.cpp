#include "app/SSHGateway.h"

#include "bridge/DetachedLaunch.h"
#include "bridge/TerminalChoice.h"

namespace tamsel {

std::optional<SSHHostConfig> SystemSSH::hostConfig(const std::string& host) {
    return readSSHConfig(host, environment_);
}

bool SystemSSH::openTerminal(const std::vector<std::string>& command,
                             const std::map<std::string, std::string>& variables) {
    const auto terminal = terminalFor(command, environment_);
    if (!terminal) return false;
    Environment environment = environment_;
    for (const auto& [name, value] : variables) environment.set(name, value);
    launchDetached(terminal->path, terminal->arguments, environment);
    return true;
}

}  // namespace tamsel
