#include "app/SSHCommand.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tamsel {
namespace {

// ASCII only, whatever the locale.
bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

}  // namespace

bool isPlainHost(std::string_view host) {
    if (host.empty() || host.front() == '-') return false;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return isLetterOrDigit(c) || c == '.' || c == '-' || c == ':'; });
}

std::vector<std::string> SSHCommand::arguments() const { return {"ssh", destination}; }

std::string SSHCommand::shellLine() const {
    std::string line;
    if (profile) line += "AWS_PROFILE=" + shellQuoted(*profile) + " ";
    if (region) line += "AWS_REGION=" + shellQuoted(*region) + " ";
    return line + "ssh " + shellQuoted(destination);
}

std::string defaultUserForImage(std::string_view imageName) {
    // In this order: Bitnami's names hold the system they are built on.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kUsers{{
        {"bitnami", "bitnami"},
        {"ubuntu", "ubuntu"},
        {"debian", "admin"},
        {"fedora", "fedora"},
        {"centos", "centos"},
    }};
    const std::string name = lowered(imageName);
    for (const auto& [word, user] : kUsers) {
        if (name.find(word) != std::string::npos) return std::string(user);
    }
    return "ec2-user";
}

std::optional<std::string> sshHost(const EC2Instance& instance, const SSHHostConfig& idConfig) {
    if (idConfig.proxied && isPlainHost(instance.id)) return instance.id;
    for (const auto* candidate : {&instance.publicDNS, &instance.publicIPv4}) {
        if (*candidate && isPlainHost(**candidate)) return *candidate;
    }
    return std::nullopt;
}

SSHCommand sshCommand(const std::string& host, bool proxied, const SSHHostConfig& hostConfig,
                      const std::string& imageUser, const CallTarget& target) {
    SSHCommand command;
    if (proxied) {
        command.profile = target.profile;
        command.region = target.region;
    }
    // A user the configuration sets is ssh's to apply; the command stays as one would type it.
    command.destination = hostConfig.user ? host : imageUser + "@" + host;
    return command;
}

std::string shellQuoted(std::string_view word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return isLetterOrDigit(c) || std::string_view("@%+=:,./_-").find(c) != std::string_view::npos;
    });
    if (plain) return std::string(word);
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace tamsel
