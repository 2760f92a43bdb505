#pragma once
// The inbound rule that locks a security group to one address.

#include <string>

namespace tamsel {

inline constexpr const char* kIngressRuleDescription = "Orvane for Mac";

// The compact JSON permission list with one rule: all protocols from `address`/32,
// described as kIngressRuleDescription.
std::string ingressPermissionDocument(const std::string& address);

}  // namespace tamsel
