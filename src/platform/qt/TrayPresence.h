#pragma once
// Whether a system tray is there to take the icon, found without asking Qt: Qt decides
// once, at its first look, whether it exports the icon to a StatusNotifier host, and would
// never use a host that comes later (GNOME's AppIndicator extension switched on after
// login). Looking here leaves that decision to the moment a tray is known to be there.

namespace tamsel {

// A StatusNotifier watcher on the session bus with a host registered (KDE, GNOME with the
// AppIndicator extension, Xfce's status tray, …).
bool statusNotifierHostPresent();

// Whether the StatusNotifier watcher on the session bus is GNOME Shell's (its AppIndicator
// extension): the connection that owns the watcher's name owns org.gnome.Shell too.
bool statusNotifierWatcherIsGnomeShell();

// An XEmbed system tray on this X11 screen: the owner of the screen's tray selection.
// False on other window systems.
bool xembedTrayPresent();

}  // namespace tamsel
