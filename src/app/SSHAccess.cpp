#include "app/SSHAccess.h"

#include <utility>

namespace tamsel {

SSHAccess::SSHAccess(HandOff& handOff, CloudGateway& cli, SSHGateway& ssh, Redraw redraw)
    : handOff_(handOff), cli_(cli), ssh_(ssh), redraw_(std::move(redraw)) {}

void SSHAccess::landed(std::span<const EC2Instance> instances, const CallTarget& target) {
    listed_.assign(instances.begin(), instances.end());
    listedUnder_ = target;
    learn();
}

std::map<std::string, SSHCommand> SSHAccess::commands(std::span<const EC2Instance> instances,
                                                      const CallTarget& target) const {
    std::map<std::string, SSHCommand> known;
    for (const EC2Instance& instance : instances) {
        if (auto command = resolve(instance, target, nullptr)) known.emplace(instance.id, std::move(*command));
    }
    return known;
}

std::optional<SSHCommand> SSHAccess::resolve(const EC2Instance& instance, const CallTarget& target, Asks* asks) const {
    if (instance.state != InstanceState::running) return std::nullopt;
    // Each fact is looked up as it is needed; the first one missing is asked for.
    const auto config = [&](const std::string& host) -> const std::optional<SSHHostConfig>* {
        const auto found = hosts_.find(host);
        if (found != hosts_.end()) return &found->second;
        if (asks) asks->hosts.push_back(host);
        return nullptr;
    };
    SSHHostConfig idConfig;
    if (isPlainHost(instance.id)) {
        const auto* known = config(instance.id);
        if (!known || !*known) return std::nullopt;  // not known yet, or no ssh at all
        idConfig = **known;
    }
    const auto host = sshHost(instance, idConfig);
    if (!host) return std::nullopt;
    const bool proxied = *host == instance.id;
    SSHHostConfig hostConfig = idConfig;
    if (!proxied) {
        const auto* known = config(*host);
        if (!known || !*known) return std::nullopt;
        hostConfig = **known;
    }
    std::string imageUser = "ec2-user";
    if (!hostConfig.user && instance.imageID && !instance.imageID->empty()) {
        const auto found = imageUsers_.find(*instance.imageID);
        if (found == imageUsers_.end()) {
            if (asks) asks->images.push_back(*instance.imageID);
            return std::nullopt;
        }
        imageUser = found->second;
    }
    return sshCommand(*host, proxied, hostConfig, imageUser, target);
}

void SSHAccess::learn() {
    Asks asks;
    for (const EC2Instance& instance : listed_) resolve(instance, listedUnder_, &asks);
    for (const std::string& host : asks.hosts) {
        if (!asked_.insert("host " + host).second) continue;
        handOff_.run([&ssh = ssh_, host] { return ssh.hostConfig(host); },
                     [this, host](const std::optional<SSHHostConfig>& config) {
                         hosts_[host] = config;
                         learn();
                         redraw_();
                     });
    }
    // The images not asked about yet, in one call: a list of many images must not hold the
    // work queue (and the user's actions behind it) with a call per image.
    std::vector<std::string> images;
    for (const std::string& image : asks.images) {
        if (asked_.insert("image " + image).second) images.push_back(image);
    }
    if (images.empty()) return;
    handOff_.run(
        [&cli = cli_, images, target = listedUnder_] {
            std::map<std::string, std::string> users;
            try {
                for (const auto& [image, name] : cli.imageNames(images, target))
                    users[image] = defaultUserForImage(name);
            } catch (...) {
                // Images that cannot be asked about (no permission) get the most common
                // user, below; they are not asked again.
            }
            for (const std::string& image : images) users.try_emplace(image, "ec2-user");
            return users;
        },
        [this](const std::map<std::string, std::string>& users) {
            imageUsers_.insert(users.begin(), users.end());
            learn();
            redraw_();
        });
}

}  // namespace tamsel
