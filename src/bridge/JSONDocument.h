#pragma once
// Strict reading of one JSON text whose top level is an array or an object.

#include <string_view>

#include <nlohmann/json.hpp>

namespace tamsel {

// Parses `text`. Throws nlohmann::json::parse_error when it is not JSON, or when its top
// level is a scalar (null, a number, a string, a boolean).
nlohmann::json parseJSONDocument(std::string_view text);

}  // namespace tamsel
