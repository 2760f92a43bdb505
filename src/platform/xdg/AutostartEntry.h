#pragma once
// Launch at login as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/orvane.desktop,
// which freedesktop sessions run when the user logs in. No Qt.

#include <filesystem>
#include <string>

#include "app/Platform.h"

namespace tamsel {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config (the home folder from
// the password database when HOME is unset or relative).
std::filesystem::path userConfigHome();

// The absolute path of the running program (/proc/self/exe); empty when it cannot be read.
std::string runningExecutable();

// `program` as the Exec= value of a desktop entry: quoted when it holds a reserved
// character, with the escapes freedesktop desktop entries use (inside quotes, `"`, '`',
// '$' and '\' get a backslash; then each backslash is doubled as every string value
// requires; '%' becomes "%%"). Throws std::runtime_error for control characters,
// which no desktop entry can carry.
std::string desktopExecValue(const std::string& program);

class AutostartEntry final : public LoginItem {
public:
    // The current user's entry, starting the running program.
    static AutostartEntry forCurrentUser();

    // The entry in `configHome`/autostart, starting `executable`.
    AutostartEntry(const std::filesystem::path& configHome, std::string executable);

    // Enabled when the file is there and is not switched off by "Hidden=true" (or GNOME's
    // "X-GNOME-Autostart-enabled=false").
    bool isEnabled() const override;
    // Writes the entry atomically (a temporary file in the same folder, flushed to disk,
    // then renamed over it); creates the folder when needed. Throws std::runtime_error with
    // a Japanese description and leaves no temporary file behind.
    void enable() override;
    // Removes our file only; a missing file is not an error.
    void disable() override;

    const std::filesystem::path& file() const { return file_; }
    // The content enable() writes.
    std::string contents() const;

private:
    std::filesystem::path file_;
    std::string executable_;
};

}  // namespace tamsel
