#pragma once
// What connecting to the running instances over ssh needs, learned off the main thread and
// kept while the application runs: ssh's configuration for each host (one "ssh -G" per
// host) and the default user of each image (one describe-images call per image). An
// instance's entries appear once its command is known.

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "app/HandOff.h"
#include "app/Redraw.h"
#include "app/SSHCommand.h"
#include "app/SSHGateway.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class SSHAccess {
public:
    // Everything given must outlive this. `redraw` is called as each answer lands.
    SSHAccess(HandOff& handOff, CloudGateway& cli, SSHGateway& ssh, Redraw redraw);

    // A listing read under `target` landed: asks what its running instances still lack.
    void landed(std::span<const EC2Instance> instances, const CallTarget& target);
    // Instance id to its command, for the running instances of `instances`, listed under
    // `target`, whose command is known.
    std::map<std::string, SSHCommand> commands(std::span<const EC2Instance> instances, const CallTarget& target) const;

private:
    struct Asks {
        std::vector<std::string> hosts;
        std::vector<std::string> images;
    };
    // The command, once all it needs is known; else none, with what is missing in `asks`.
    std::optional<SSHCommand> resolve(const EC2Instance& instance, const CallTarget& target, Asks* asks) const;
    void learn();

    HandOff& handOff_;
    CloudGateway& cli_;
    SSHGateway& ssh_;
    Redraw redraw_;
    // Host to ssh's configuration for it; absent value: ssh is not there.
    std::map<std::string, std::optional<SSHHostConfig>> hosts_;
    std::map<std::string, std::string> imageUsers_;  // image id to the user its instances log in as
    std::set<std::string> asked_;                    // hosts and images asked about, answered or not
    std::vector<EC2Instance> listed_;                // the last listing, to learn on as answers land
    CallTarget listedUnder_;
};

}  // namespace tamsel
