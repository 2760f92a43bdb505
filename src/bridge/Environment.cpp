#include "bridge/Environment.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

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

std::string Environment::loginShell() const {
    if (auto shell = get("SHELL")) return *shell;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 4096);
    passwd entry{};
    passwd* found = nullptr;
    int error;
    while ((error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
        buffer.resize(buffer.size() * 2);
    // An empty shell field means /bin/sh (passwd(5)).
    if (error != 0 || !found || !found->pw_shell || !*found->pw_shell) return "/bin/sh";
    return found->pw_shell;
}

Environment Environment::forChild() const {
    Environment child = *this;
    // The fixed directories come after the inherited ones so that the user's own order wins.
    if (const auto path = get("PATH")) {
        child.set("PATH", *path + ":" + kToolSearchPath);
    } else {
        child.set("PATH", kToolSearchPath);
    }
    // No pager and no interactive prompt: the tool must never wait for a key press. The
    // variable outranks the user's config file; older tools without a prompt ignore it.
    child.set("AWS_PAGER", "");
    child.set("AWS_CLI_AUTO_PROMPT", "off");
    return child;
}

std::vector<std::string> Environment::toEntries() const {
    std::vector<std::string> entries;
    entries.reserve(variables_.size());
    for (const auto& [name, value] : variables_) entries.push_back(name + "=" + value);
    return entries;
}

}  // namespace tamsel
