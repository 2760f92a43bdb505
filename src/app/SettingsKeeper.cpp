#include "app/SettingsKeeper.h"

#include <utility>

namespace tamsel {

std::optional<std::string> SettingsKeeper::string(const std::string& key) const {
    const auto kept = kept_.find(key);
    if (kept == kept_.end()) return store_.string(key);
    if (const auto* text = std::get_if<std::optional<std::string>>(&kept->second)) return *text;
    return std::nullopt;
}

std::optional<std::map<std::string, std::string>> SettingsKeeper::stringMap(const std::string& key) const {
    const auto kept = kept_.find(key);
    if (kept == kept_.end()) return store_.stringMap(key);
    if (const auto* map = std::get_if<std::map<std::string, std::string>>(&kept->second)) return *map;
    return std::nullopt;
}

std::optional<Failure> SettingsKeeper::setString(const std::string& key, std::optional<std::string> value) {
    return store(key, std::move(value));
}

std::optional<Failure> SettingsKeeper::setStringMap(const std::string& key, std::map<std::string, std::string> value) {
    return store(key, std::move(value));
}

std::optional<Failure> SettingsKeeper::store(const std::string& key, Value value) {
    kept_.erase(key);
    if (auto failure = write(key, value)) {
        kept_.emplace(key, std::move(value));
        return failure;
    }
    // The file takes writes again: store what it could not take before.
    std::optional<Failure> failure;
    for (auto older = kept_.begin(); older != kept_.end();) {
        auto again = write(older->first, older->second);
        if (!again) {
            older = kept_.erase(older);
            continue;
        }
        if (!failure) failure = std::move(again);
        ++older;
    }
    return failure;
}

std::optional<Failure> SettingsKeeper::write(const std::string& key, const Value& value) {
    if (const auto* text = std::get_if<std::optional<std::string>>(&value)) return store_.setString(key, *text);
    return store_.setStringMap(key, std::get<std::map<std::string, std::string>>(value));
}

}  // namespace tamsel
