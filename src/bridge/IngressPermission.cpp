#include "bridge/IngressPermission.h"

#include "bridge/AWSError.h"

namespace tamsel {
namespace {

// The lists a permission names its sources in; one that has none of them admits nothing.
constexpr const char* kSourceLists[] = {"IpRanges", "Ipv6Ranges", "UserIdGroupPairs", "PrefixListIds"};

// Checks the shape the functions below rely on: a list of objects, each source list (when
// present) a list of objects.
void checkShape(const nlohmann::json& permissions) {
    if (!permissions.is_array()) throw AWSError::failed(UnexpectedShape{});
    for (const auto& permission : permissions) {
        if (!permission.is_object()) throw AWSError::failed(UnexpectedShape{});
        for (const char* list : kSourceLists) {
            const auto found = permission.find(list);
            if (found == permission.end()) continue;
            if (!found->is_array()) throw AWSError::failed(UnexpectedShape{});
            for (const auto& source : *found)
                if (!source.is_object()) throw AWSError::failed(UnexpectedShape{});
        }
    }
}

bool isAllProtocols(const nlohmann::json& permission) {
    const auto protocol = permission.find("IpProtocol");
    return protocol != permission.end() && *protocol == "-1";
}

bool isLockRange(const nlohmann::json& range, const std::string& cidr) {
    const auto found = range.find("CidrIp");
    return found != range.end() && *found == cidr;
}

bool admitsNothing(const nlohmann::json& permission) {
    for (const char* list : kSourceLists) {
        const auto found = permission.find(list);
        if (found != permission.end() && !found->empty()) return false;
    }
    return true;
}

}  // namespace

std::string ingressPermissionDocument(const std::string& address) {
    const nlohmann::json range = {{"CidrIp", address + "/32"}, {"Description", kIngressRuleDescription}};
    // "-1" is every protocol; with it the rule carries no port keys.
    const nlohmann::json permission = {{"IpProtocol", "-1"}, {"IpRanges", nlohmann::json::array({range})}};
    // dump() without indentation writes compact JSON; it throws type_error on bytes that
    // are not UTF-8 rather than hand the tool a malformed document.
    return nlohmann::json::array({permission}).dump();
}

LockRule lockRuleIn(const nlohmann::json& permissions, const std::string& address) {
    checkShape(permissions);
    const std::string cidr = address + "/32";
    LockRule found = LockRule::absent;
    for (const auto& permission : permissions) {
        if (!isAllProtocols(permission) || !permission.contains("IpRanges")) continue;
        for (const auto& range : permission["IpRanges"]) {
            if (!isLockRange(range, cidr)) continue;
            const auto description = range.find("Description");
            if (description != range.end() && *description == kIngressRuleDescription) return LockRule::present;
            found = LockRule::misdescribed;
        }
    }
    return found;
}

nlohmann::json permissionsOtherThanLockRule(const nlohmann::json& permissions, const std::string& address) {
    checkShape(permissions);
    const std::string cidr = address + "/32";
    nlohmann::json others = nlohmann::json::array();
    for (nlohmann::json permission : permissions) {
        if (isAllProtocols(permission) && permission.contains("IpRanges")) {
            auto& ranges = permission["IpRanges"];
            nlohmann::json kept = nlohmann::json::array();
            for (const auto& range : ranges)
                if (!isLockRange(range, cidr)) kept.push_back(range);
            ranges = std::move(kept);
        }
        if (!admitsNothing(permission)) others.push_back(std::move(permission));
    }
    return others;
}

}  // namespace tamsel
