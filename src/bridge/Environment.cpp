#include "bridge/Environment.h"

#include <unistd.h>

namespace tamsel {

Environment Environment::current() {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos || equals == 0) continue;
        // The C library's getenv answers with the first of duplicate names; so do we.
        variables.emplace(std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)));
    }
    return Environment(std::move(variables));
}

std::optional<std::string> Environment::get(const std::string& name) const {
    const auto found = variables_.find(name);
    if (found == variables_.end()) return std::nullopt;
    return found->second;
}

Environment Environment::forChild() const {
    Environment child = *this;
    // The fixed directories come after the inherited ones so that the user's own order wins.
    if (const auto path = get("PATH")) {
        child.set("PATH", *path + ":" + kToolSearchPath);
    } else {
        child.set("PATH", kToolSearchPath);
    }
    // No pager: the tool must never wait for a key press.
    child.set("AWS_PAGER", "");
    return child;
}

std::vector<std::string> Environment::toEntries() const {
    std::vector<std::string> entries;
    entries.reserve(variables_.size());
    for (const auto& [name, value] : variables_) entries.push_back(name + "=" + value);
    return entries;
}

}  // namespace tamsel
