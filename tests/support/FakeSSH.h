#pragma once
// An ssh gateway that answers what the test scripted and records what it was asked.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/SSHGateway.h"

namespace tamsel::test {

class FakeSSH final : public SSHGateway {
public:
    // Answers `configs` (absent: a host the configuration says nothing of); none at all
    // while `installed` is false.
    std::optional<SSHHostConfig> hostConfig(const std::string& host) override {
        asked.push_back(host);
        if (!installed) return std::nullopt;
        const auto found = configs.find(host);
        return found == configs.end() ? SSHHostConfig{} : found->second;
    }
    bool openTerminal(const std::vector<std::string>& command,
                      const std::map<std::string, std::string>& variables) override {
        opened.push_back({command, variables});
        return hasTerminal;
    }

    struct Opened {
        std::vector<std::string> command;
        std::map<std::string, std::string> variables;

        bool operator==(const Opened&) const = default;
    };

    bool installed = true;
    bool hasTerminal = true;
    std::map<std::string, SSHHostConfig> configs;
    std::vector<std::string> asked;
    std::vector<Opened> opened;
};

}  // namespace tamsel::test
