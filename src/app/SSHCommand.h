#pragma once
// The ssh command that connects to one instance, and the rules that make it: the host (the
// instance id where the user's ssh configuration reaches it by a proxy, else its public name
// or address) and the user (the configuration's, else the image's default). Pure.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"
#include "bridge/SSHConfig.h"

namespace tamsel {

struct SSHCommand {
    // Given to ssh (and so to a proxy command that runs aws) as AWS_PROFILE and AWS_REGION;
    // absent: left as they are.
    std::optional<std::string> profile;
    std::optional<std::string> region;
    std::string destination;  // "host", or "user@host"

    // "ssh" and the destination, one argument each.
    std::vector<std::string> arguments() const;
    // The variables, then the command, as one line for a shell, every word quoted that needs it.
    std::string shellLine() const;

    bool operator==(const SSHCommand&) const = default;
};

// The user an image's own name says its instances log in as: bitnami, ubuntu, admin
// (Debian), fedora, centos; ec2-user for Amazon Linux, RHEL, SUSE, Oracle and any other.
std::string defaultUserForImage(std::string_view imageName);

// The host ssh is to reach `instance` at: its id when `idConfig` (ssh's configuration for the
// id) has a proxy command, else its public DNS name, else its public address; absent when
// it has none of them (or only one ssh would not take as a host).
std::optional<std::string> sshHost(const EC2Instance& instance, const SSHHostConfig& idConfig);

// The command for `host`, listed under `target`: `hostConfig` is ssh's configuration for
// it; when that sets no user, `imageUser` is put before the host. Only an instance reached
// through its id is given the profile and region: the proxy command is what needs them.
SSHCommand sshCommand(const std::string& host, bool proxied, const SSHHostConfig& hostConfig,
                      const std::string& imageUser, const CallTarget& target);

// A host as AWS gives it (a name, an IPv4 address, an instance id): letters, digits, ".",
// "-" and ":", not starting with "-", so that ssh cannot take it for an option or a user.
bool isPlainHost(std::string_view host);

// `word` as a shell reads it back unchanged: as it is when it holds only safe characters,
// else in single quotes.
std::string shellQuoted(std::string_view word);

}  // namespace tamsel
