#include "bridge/IngressPermission.h"

#include <nlohmann/json.hpp>

namespace tamsel {

std::string ingressPermissionDocument(const std::string& address) {
    const nlohmann::json range = {{"CidrIp", address + "/32"}, {"Description", kIngressRuleDescription}};
    // "-1" is every protocol; with it the rule carries no port keys.
    const nlohmann::json permission = {{"IpProtocol", "-1"}, {"IpRanges", nlohmann::json::array({range})}};
    // dump() without indentation writes compact JSON; it throws type_error on bytes that
    // are not UTF-8 rather than hand the tool a malformed document.
    return nlohmann::json::array({permission}).dump();
}

}  // namespace tamsel
