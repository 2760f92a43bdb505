#pragma once
// What the user's ssh configuration says of one host, read from what "ssh -G" prints:
// whether a proxy command reaches it (e.g. through Session Manager) and whom it logs in as.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/Environment.h"

namespace tamsel {

struct SSHHostConfig {
    bool proxied = false;               // a "ProxyCommand" applies to the host
    std::optional<std::string> user{};  // the user a "User" line sets; absent: none applies

    bool operator==(const SSHHostConfig&) const = default;
};

// Reads the effective configuration "ssh -G" printed (one lower-case keyword and its value
// per line). ssh prints a "user" line always, with the local login name when no "User"
// applies, so a user equal to `localUser` counts as none: the two cannot be told apart,
// and someone who sets his own name is rarely that user on a cloud image.
// "proxycommand none" is printed for a command switched off, and counts as none.
SSHHostConfig parseSSHConfig(std::string_view printed, std::string_view localUser);

// This user's login name, as ssh takes it (the password database); empty when unknown.
std::string localUserName();

// Runs "ssh -G HOST" (ssh found on `environment`'s PATH; nothing is connected to) and reads
// it. Absent when ssh is not there or cannot be run. A configuration ssh rejects (it exits
// with an error) reads as an empty one: ssh says why when the user connects.
std::optional<SSHHostConfig> readSSHConfig(const std::string& host, const Environment& environment,
                                           std::chrono::milliseconds timeLimit = std::chrono::seconds(10));

}  // namespace tamsel
