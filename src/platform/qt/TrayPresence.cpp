#include "platform/qt/TrayPresence.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QVariant>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace tamsel {
namespace {

// The screen number of the display name (":0.1" is screen 1), as the tray selection names it.
int screenNumber() {
    const char* display = std::getenv("DISPLAY");
    const char* colon = display ? std::strrchr(display, ':') : nullptr;
    const char* dot = colon ? std::strchr(colon, '.') : nullptr;
    return dot ? std::atoi(dot + 1) : 0;
}

}  // namespace

bool statusNotifierHostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QString watcher = "org.kde.StatusNotifierWatcher";
    if (!bus.interface()->isServiceRegistered(watcher)) return false;
    QDBusInterface properties(watcher, "/StatusNotifierWatcher", watcher, bus);
    return properties.property("IsStatusNotifierHostRegistered").toBool();
}

bool statusNotifierWatcherIsGnomeShell() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<QString> watcher = bus.interface()->serviceOwner("org.kde.StatusNotifierWatcher");
    const QDBusReply<QString> shell = bus.interface()->serviceOwner("org.gnome.Shell");
    return watcher.isValid() && shell.isValid() && !watcher.value().isEmpty() && watcher.value() == shell.value();
}

bool xembedTrayPresent() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber());
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;  // never interned: no tray ever claimed it
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr),
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace tamsel
