#pragma once
// The instance listing read the plain way, as the oracle for the streaming reader: the
// whole document first, then its fields. Shared by the unit test and the fuzz target, so
// that both hold the reader to the same reading of every field it takes.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"
#include "bridge/JSONDocument.h"

namespace tamsel::test {

inline std::vector<EC2Instance> readThroughDocument(std::string_view text, const Collation& collation) {
    const nlohmann::json document = parseJSONDocument(text);
    if (!document.is_array()) throw AWSError::failed(UnexpectedShape{});
    const auto string = [](const nlohmann::json& object, const char* key, const char* fallback) {
        const auto found = object.find(key);
        return found != object.end() && found->is_string() ? found->get<std::string>() : std::string(fallback);
    };
    const auto address = [](const nlohmann::json& object, const char* key) -> std::optional<std::string> {
        const auto found = object.find(key);
        if (found == object.end() || !found->is_string()) return std::nullopt;
        return found->get<std::string>();
    };
    std::vector<EC2Instance> instances;
    for (const nlohmann::json& element : document) {
        if (!element.is_object()) throw AWSError::failed(UnexpectedShape{});
        const auto launched = address(element, "launchTime");
        EC2Instance instance{string(element, "id", ""),
                             string(element, "name", ""),
                             string(element, "state", "unknown"),
                             string(element, "type", ""),
                             {},
                             address(element, "publicIp"),
                             address(element, "privateIp"),
                             launched ? parseLaunchTime(*launched) : std::nullopt,
                             address(element, "imageId"),
                             address(element, "publicDns")};
        const auto sgs = element.find("sgs");
        if (sgs != element.end() && sgs->is_array() &&
            std::all_of(sgs->begin(), sgs->end(), [](const nlohmann::json& g) { return g.is_object(); })) {
            for (const nlohmann::json& g : *sgs)
                instance.securityGroups.push_back({string(g, "id", ""), string(g, "name", "")});
        }
        if (instance.state != "terminated") instances.push_back(std::move(instance));
    }
    std::stable_sort(instances.begin(), instances.end(), [&](const EC2Instance& a, const EC2Instance& b) {
        return collation.less(a.sortKey(), b.sortKey());
    });
    return instances;
}

}  // namespace tamsel::test
