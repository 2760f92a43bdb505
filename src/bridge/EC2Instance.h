#pragma once
// The value records the application shows: one EC2 instance, its state and its security
// groups, and the reading of the instance listing's JSON into them.

#include <chrono>
#include <cstdint>
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

// An instance's state: the tool's own word for it, shown as it is, and what that word means,
// read once. Only the exact words EC2 uses count ("Running" is not running); any other word
// is `other`.
class InstanceState {
public:
    enum class Kind : std::uint8_t { pending, running, stopping, stopped, shuttingDown, terminated, other };
    using enum Kind;

    // Implicit: a state is written as its word, as the tool writes it.
    InstanceState(std::string word);
    InstanceState(const char* word) : InstanceState(std::string(word)) {}

    const std::string& word() const { return word_; }

    // Two states are the same when the tool said the same word.
    bool operator==(const InstanceState& other) const { return word_ == other.word_; }
    bool operator==(Kind kind) const { return kind_ == kind; }

private:
    std::string word_;
    Kind kind_;
};

struct EC2Instance {
    std::string id;
    std::string name;                 // the Name tag; empty when there is none
    InstanceState state = "unknown";  // as the tool reports it; "unknown" when it gave none
    std::string type;
    std::vector<SecurityGroup> securityGroups;
    std::optional<std::string> publicIPv4{};  // absent while the instance has none (stopped, private subnet)
    std::optional<std::string> privateIPv4{};
    // Of the last start; absent when the tool gave none or none that parseLaunchTime reads.
    std::optional<std::chrono::system_clock::time_point> launchTime{};
    std::optional<std::string> imageID{};    // the AMI it was launched from
    std::optional<std::string> publicDNS{};  // absent or empty while it has no public name

    // What the menu sorts and labels by: the name, or the id when the name is empty.
    const std::string& sortKey() const { return name.empty() ? id : name; }

    bool operator==(const EC2Instance&) const = default;
};

// The moment `text` names, written as the tool prints times: "2026-12-08T09:41:00+00:00",
// with or without fractions of a second, "Z" or an offset ("+09:00", "+0900"). Absent for
// anything else, and for a time the clock cannot hold (year 9999): a malformed time is
// ignored, never an error.
std::optional<std::chrono::system_clock::time_point> parseLaunchTime(std::string_view text);

// Reads the output of the instance query into records, drops terminated instances and
// sorts the rest (stable) by sortKey() under `collation`.
// Throws nlohmann::json::parse_error for text that is not JSON, and AWSError::failed
// (UnexpectedShape) for JSON of the wrong shape.
std::vector<EC2Instance> parseInstances(std::string_view json, const Collation& collation);

}  // namespace tamsel
