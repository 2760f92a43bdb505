#pragma once
// The controller's settings as it reads and writes them: through the store, with every
// value the store could not take kept for this run, read back in its place, and stored
// again with the next change.

#include <map>
#include <optional>
#include <string>
#include <variant>

#include "app/Platform.h"

namespace tamsel {

class SettingsKeeper {
public:
    explicit SettingsKeeper(SettingsStore& store) : store_(store) {}

    // The kept value of `key` when there is one, else the store's.
    std::optional<std::string> string(const std::string& key) const;
    std::optional<std::map<std::string, std::string>> stringMap(const std::string& key) const;

    // Store `value` (absent removes the key), then every value kept from an earlier failed
    // store. Returns the first failure; whatever failed is kept.
    std::optional<Failure> setString(const std::string& key, std::optional<std::string> value);
    std::optional<Failure> setStringMap(const std::string& key, std::map<std::string, std::string> value);

private:
    using Value = std::variant<std::optional<std::string>, std::map<std::string, std::string>>;

    std::optional<Failure> store(const std::string& key, Value value);
    std::optional<Failure> write(const std::string& key, const Value& value);

    SettingsStore& store_;
    std::map<std::string, Value> kept_;
};

}  // namespace tamsel
