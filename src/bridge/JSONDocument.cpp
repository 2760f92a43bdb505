#include "bridge/JSONDocument.h"

namespace tamsel {

nlohmann::json parseJSONDocument(std::string_view text) {
    nlohmann::json document = nlohmann::json::parse(text);
    if (!document.is_array() && !document.is_object()) {
        throw nlohmann::json::parse_error::create(
            101, 1, "syntax error: the top level of the document is neither an array nor an object", nullptr);
    }
    return document;
}

}  // namespace tamsel
