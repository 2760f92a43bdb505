#pragma once
// The per-user settings store on QSettings (an INI file, by default
// $XDG_CONFIG_HOME/orvane/orvane.conf).

#include <QSettings>
#include <functional>

#include "app/Platform.h"

namespace tamsel {

class QtSettingsStore final : public SettingsStore {
public:
    // The user's store.
    QtSettingsStore();
    // The store in `file` (tests).
    explicit QtSettingsStore(const QString& file);

    std::optional<std::string> string(const std::string& key) const override;
    // A mapping is a section of its own, named by its key, with one line of text per entry,
    // for a person to read and edit; one stored by an earlier version as a single binary
    // value is read too, and replaced at the next write. Its entries are ids: a "/" or "\\"
    // in one would nest it, and it would not read back.
    std::optional<std::map<std::string, std::string>> stringMap(const std::string& key) const override;
    // Writes go to disk at once, so a killed process loses nothing; a write the file does
    // not take is reported with the system's reason.
    std::optional<Failure> setString(const std::string& key, const std::optional<std::string>& value) override;
    std::optional<Failure> setStringMap(const std::string& key,
                                        const std::map<std::string, std::string>& value) override;

private:
    // Applies `change` to a QSettings of the file and writes it out.
    std::optional<Failure> write(const std::function<void(QSettings&)>& change);

    mutable QSettings settings_;
};

}  // namespace tamsel
