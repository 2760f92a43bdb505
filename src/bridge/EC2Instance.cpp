#include "bridge/EC2Instance.h"

#include <algorithm>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/JSONDocument.h"

namespace tamsel {
namespace {

constexpr const char* kUnexpectedResponse = "想定外のレスポンスです";

// The string under `key`, or `fallback` when the key is missing or holds anything else.
std::string stringField(const nlohmann::json& object, const char* key, const char* fallback = "") {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return fallback;
    return found->get_ref<const std::string&>();
}

// The groups under "sgs": only an array of objects counts; anything else gives none.
std::vector<SecurityGroup> securityGroups(const nlohmann::json& instance) {
    const auto found = instance.find("sgs");
    if (found == instance.end() || !found->is_array()) return {};
    const nlohmann::json& sgs = *found;
    if (!std::all_of(sgs.begin(), sgs.end(), [](const nlohmann::json& g) { return g.is_object(); })) return {};
    std::vector<SecurityGroup> groups;
    groups.reserve(sgs.size());
    for (const nlohmann::json& g : sgs) groups.push_back({stringField(g, "id"), stringField(g, "name")});
    return groups;
}

}  // namespace

std::string SecurityGroup::displayName() const {
    return name.empty() ? id : name + " (" + id + ")";
}

std::vector<EC2Instance> parseInstances(std::string_view json, const Collation& collation) {
    const nlohmann::json document = parseJSONDocument(json);
    if (!document.is_array()) throw AWSError::failed(kUnexpectedResponse);
    for (const nlohmann::json& element : document) {
        if (!element.is_object()) throw AWSError::failed(kUnexpectedResponse);
    }

    std::vector<EC2Instance> instances;
    instances.reserve(document.size());
    for (const nlohmann::json& element : document) {
        EC2Instance instance{
            .id = stringField(element, "id"),
            .name = stringField(element, "name"),
            .state = stringField(element, "state", "unknown"),
            .type = stringField(element, "type"),
            .securityGroups = securityGroups(element),
        };
        // Terminated instances linger in the listing for a while but can no longer be used.
        if (instance.state == "terminated") continue;
        instances.push_back(std::move(instance));
    }

    std::stable_sort(instances.begin(), instances.end(), [&](const EC2Instance& a, const EC2Instance& b) {
        return collation.less(a.sortKey(), b.sortKey());
    });
    return instances;
}

}  // namespace tamsel
