#pragma once
// Ends the process with one clear line, exit status 1, when Qt finds no desktop session to
// show the application on (no display set, or the display refuses the connection). When Qt
// could not find the platform plugin for the session (Wayland without qt6-wayland), the line
// names the plugin and the package that ships it instead.
//
// Qt itself reports that as a fatal error and aborts, with a core dump and a paragraph
// about platform plugins. For as long as this object lives (around the construction of the
// QApplication) Qt's messages are held back: a fatal one ends the process with the line
// below, and the others go to the usual output once the check ends.

namespace tamsel {

class DesktopSessionCheck final {
public:
    DesktopSessionCheck();
    ~DesktopSessionCheck();
    DesktopSessionCheck(const DesktopSessionCheck&) = delete;
    DesktopSessionCheck& operator=(const DesktopSessionCheck&) = delete;
};

}  // namespace tamsel
