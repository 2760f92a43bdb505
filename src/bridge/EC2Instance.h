#pragma once
// The value records the application shows: one EC2 instance and its security groups,
// and the reading of the instance listing's JSON into them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

class Collation;

struct SecurityGroup {
    std::string id;
    std::string name;

    // "name (id)", or the id alone when the group has no name.
    std::string displayName() const;

    bool operator==(const SecurityGroup&) const = default;
};

struct EC2Instance {
    std::string id;
    std::string name;               // the Name tag; empty when there is none
    std::string state = "unknown";  // the EC2 state name as the tool reports it
    std::string type;
    std::vector<SecurityGroup> securityGroups;
    std::optional<std::string> publicIPv4{};  // absent while the instance has none (stopped, private subnet)
    std::optional<std::string> privateIPv4{};
    std::optional<std::string> launchTime{};  // of the last start, as the tool prints it (ISO 8601)
    std::optional<std::string> imageID{};     // the AMI it was launched from
    std::optional<std::string> publicDNS{};   // absent or empty while it has no public name

    // What the menu sorts and labels by: the name, or the id when the name is empty.
    const std::string& sortKey() const { return name.empty() ? id : name; }

    bool operator==(const EC2Instance&) const = default;
};

// Reads the output of the instance query into records, drops terminated instances and
// sorts the rest (stable) by sortKey() under `collation`.
// Throws nlohmann::json::parse_error for text that is not JSON, and AWSError::failed
// (UnexpectedShape) for JSON of the wrong shape.
std::vector<EC2Instance> parseInstances(std::string_view json, const Collation& collation);

}  // namespace tamsel
