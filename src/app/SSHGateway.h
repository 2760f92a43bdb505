#pragma once
// What the controller needs of ssh and of a terminal: ssh's configuration for a host, and a
// terminal opened to run a command. SystemSSH is the real one; unit tests use a fake.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bridge/Environment.h"
#include "bridge/SSHConfig.h"

namespace tamsel {

class SSHGateway {
public:
    virtual ~SSHGateway() = default;

    // Called on the work queue: blocks while ssh reads its configuration. Absent when ssh
    // is not there.
    virtual std::optional<SSHHostConfig> hostConfig(const std::string& host) = 0;
    // Called on the main thread: opens the user's terminal running `command`, with
    // `variables` added to its environment, and does not wait for it. False when there is
    // no terminal; throws ProcessFailure when the terminal could not be started.
    virtual bool openTerminal(const std::vector<std::string>& command,
                              const std::map<std::string, std::string>& variables) = 0;
};

class SystemSSH final : public SSHGateway {
public:
    explicit SystemSSH(Environment environment = Environment::current()) : environment_(std::move(environment)) {}

    std::optional<SSHHostConfig> hostConfig(const std::string& host) override;
    bool openTerminal(const std::vector<std::string>& command,
                      const std::map<std::string, std::string>& variables) override;

private:
    const Environment environment_;
};

}  // namespace tamsel
