#pragma once
// The inbound rule that locks a security group to one address, and how a group's
// described rules stand to it.

#include <string>

#include <nlohmann/json.hpp>

namespace tamsel {

// The description the lock rule carries in the cloud, by which it is found again. Stored
// data, not wording: it stays as written, whatever the application comes to be called.
inline constexpr const char* kIngressRuleDescription = "Orvane for Mac";

// The compact JSON permission list with one rule: all protocols from `address`/32,
// described as kIngressRuleDescription.
std::string ingressPermissionDocument(const std::string& address);

// Whether a group's inbound rules (the IpPermissions list the tool describes) hold the
// lock rule for an address: the range `address`/32 on the all-protocols ("-1") permission.
enum class LockRule {
    absent,        // not there: it must be authorized
    misdescribed,  // there, described otherwise or not at all: its description must be set
    present,       // there, described as kIngressRuleDescription
};

// Throws AWSError::failed (UnexpectedShape) when `permissions` is not a list of
// permission objects whose range lists are lists of objects.
LockRule lockRuleIn(const nlohmann::json& permissions, const std::string& address);

// Every rule of `permissions` but the lock rule for `address`, as the tool printed them:
// the lock range is taken out of the all-protocols permission, and a permission left with
// no range, group pair or prefix list is dropped. An empty list when nothing else is there.
// Throws as lockRuleIn does.
nlohmann::json permissionsOtherThanLockRule(const nlohmann::json& permissions, const std::string& address);

}  // namespace tamsel
