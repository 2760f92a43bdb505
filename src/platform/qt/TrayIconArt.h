#pragma once
// The picture of the tray icon for a status button: the named icon from the compiled-in
// resources (or the theme's "network-server"), with the button's title drawn on it as a
// badge, since a tray shows no text beside an icon; with no picture at all, the title
// itself (or "EC2") drawn as text.

#include <QIcon>
#include <QString>
#include <optional>
#include <string>

#include "app/Platform.h"

namespace tamsel {

// The compiled-in icon `name` ("MenuBarIcon", "MenuBarIconRunning", and the two with the
// error badge, "MenuBarIconFailed", "MenuBarIconRunningFailed") in every size it is drawn
// in; a null icon when there is none by that name.
QIcon bundledIcon(const std::string& name);

// The tray icon that shows `button`. `image` is the picture found for its image name
// (possibly null); a title is drawn on it as a badge.
QIcon trayIcon(const StatusButton& button, const QIcon& image);

// The same, looking the picture up as the tray does: the bundled icon (with the badge of a
// title already drawn in, when it has that art), else the theme's.
QIcon trayIcon(const StatusButton& button);

// The name of the installed hicolor icon that shows `button` (orvane-idle, -running,
// -failed, -running-failed), for hosts that draw the icon from the theme at their own size.
QString themeIconName(const StatusButton& button);

// Where those named icons are: "" in the system's icon folders (XDG_DATA_HOME,
// XDG_DATA_DIRS), the folder "icons" beside the program when run from its build folder,
// nothing when they are not there at all.
std::optional<QString> themeIconFolder();

}  // namespace tamsel
