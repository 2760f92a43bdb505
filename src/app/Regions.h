#pragma once
// The regions the region menu offers, in the order it lists them.

#include <array>
#include <string_view>

namespace tamsel {

inline constexpr std::array<std::string_view, 17> kRegions = {
    "us-east-1",      "us-east-2",      "us-west-1",      "us-west-2",  "ap-northeast-1", "ap-northeast-2",
    "ap-northeast-3", "ap-southeast-1", "ap-southeast-2", "ap-south-1", "ca-central-1",   "eu-central-1",
    "eu-west-1",      "eu-west-2",      "eu-west-3",      "eu-north-1", "sa-east-1",
};

}  // namespace tamsel
