#pragma once
// A process environment as name/value pairs, and the environment the aws tool runs in.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tamsel {

class Environment {
public:
    Environment() = default;
    explicit Environment(std::map<std::string, std::string> variables) : variables_(std::move(variables)) {}

    // A copy of this process's whole environment.
    static Environment current();

    std::optional<std::string> get(const std::string& name) const;
    void set(const std::string& name, std::string value) { variables_[name] = std::move(value); }
    void unset(const std::string& name) { variables_.erase(name); }

    // The user's login shell: "SHELL" when set (an empty value too, which then fails to
    // start), else the shell of this user's entry in the password database, else /bin/sh.
    std::string loginShell() const;

    // The environment a child runs in: this one with "PATH" extended by the fixed tool
    // directories (after the inherited ones), "AWS_PAGER" emptied and "AWS_CLI_AUTO_PROMPT"
    // off, whatever the user has set.
    Environment forChild() const;

    // "NAME=value" strings, for execve.
    std::vector<std::string> toEntries() const;

private:
    std::map<std::string, std::string> variables_;
};

// The directories appended to "PATH" for every child.
inline constexpr const char* kToolSearchPath = "/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin";

}  // namespace tamsel
