#include "bridge/SSHConfig.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "bridge/ChildProcess.h"
#include "bridge/ProgramSearch.h"
#include "bridge/Text.h"

namespace tamsel {

SSHHostConfig parseSSHConfig(std::string_view printed, std::string_view localUser) {
    SSHHostConfig config;
    for (const std::string& line : split(printed, '\n', false)) {
        const std::string trimmed = trimWhitespaceAndNewlines(line);
        const std::size_t space = trimmed.find(' ');
        if (space == std::string::npos) continue;
        const std::string_view keyword = std::string_view(trimmed).substr(0, space);
        const std::string value = trimSpacesAndTabs(std::string_view(trimmed).substr(space + 1));
        if (keyword == "proxycommand") {
            config.proxied = !value.empty() && value != "none";
        } else if (keyword == "user") {
            if (value.empty() || value == localUser) {
                config.user.reset();
            } else {
                config.user = value;
            }
        }
    }
    return config;
}

std::string localUserName() {
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 4096);
    passwd entry{};
    passwd* found = nullptr;
    int error;
    while ((error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (error != 0 || !found || !found->pw_name) return "";
    return found->pw_name;
}

std::optional<SSHHostConfig> readSSHConfig(const std::string& host, const Environment& environment,
                                           std::chrono::milliseconds timeLimit) {
    // A host ssh would read as an option is never asked about.
    if (host.empty() || host.front() == '-') return std::nullopt;
    const auto ssh = findProgram("ssh", environment);
    if (!ssh) return std::nullopt;
    try {
        const ProcessResult result = runProcess(*ssh, {"-G", host}, environment, timeLimit);
        if (result.ending != ProcessResult::Ending::exited) return std::nullopt;
        if (result.status != 0) return SSHHostConfig{};
        return parseSSHConfig(result.output, localUserName());
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace tamsel
