#pragma once
// A settings store in memory, which can hold unreadable values and refuse writes.

#include <map>
#include <optional>
#include <string>
#include <variant>

#include "app/Platform.h"

namespace tamsel::test {

class MemorySettings final : public SettingsStore {
public:
    struct Garbage {
        bool operator==(const Garbage&) const = default;
    };
    using Value = std::variant<std::string, std::map<std::string, std::string>, Garbage>;

    std::optional<std::string> string(const std::string& key) const override {
        auto found = values.find(key);
        if (found == values.end()) return std::nullopt;
        if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
        return std::nullopt;
    }
    std::optional<std::map<std::string, std::string>> stringMap(const std::string& key) const override {
        auto found = values.find(key);
        if (found == values.end()) return std::nullopt;
        if (const auto* map = std::get_if<std::map<std::string, std::string>>(&found->second)) return *map;
        return std::nullopt;
    }
    std::optional<Failure> setString(const std::string& key, const std::optional<std::string>& value) override {
        if (failure) return failure;
        if (value) {
            values[key] = *value;
        } else {
            values.erase(key);
        }
        return std::nullopt;
    }
    std::optional<Failure> setStringMap(const std::string& key,
                                        const std::map<std::string, std::string>& value) override {
        if (failure) return failure;
        values[key] = value;
        return std::nullopt;
    }

    // What a real store holds when the value has a shape we cannot read (a number, a list...).
    void storeGarbage(const std::string& key) { values[key] = Garbage{}; }

    std::map<std::string, Value> values;
    // While set, every write fails with it and stores nothing.
    std::optional<Failure> failure;
};

}  // namespace tamsel::test
