#include "platform/qt/DBusSessionActivity.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <array>

namespace tamsel {
namespace {

const QString kScreenSaver = "org.freedesktop.ScreenSaver";
// Freedesktop's path first; some desktops export the same interface at /ScreenSaver only.
const std::array<QString, 2> kScreenSaverPaths = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};

const QString kLogin = "org.freedesktop.login1";

}  // namespace

DBusSessionActivity::DBusSessionActivity()
    : screenSaverWatcher_(new QDBusServiceWatcher(
          kScreenSaver, QDBusConnection::sessionBus(),
          QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this)) {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const QString& path : kScreenSaverPaths)
            session.connect(kScreenSaver, path, kScreenSaver, "ActiveChanged", this,
                            SLOT(screenSaverActiveChanged(bool)));
        // A screen saver that starts (or restarts) after us is asked anew; one that goes
        // away locks nothing any more.
        connect(screenSaverWatcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] { askScreenSaver(0); });
        connect(screenSaverWatcher_, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { update(screenLocked_, false); });
        askScreenSaver(0);
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected())
        system.connect(kLogin, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", this,
                       SLOT(prepareForSleep(bool)));
}

void DBusSessionActivity::askScreenSaver(int pathIndex) {
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPaths[pathIndex], kScreenSaver, "GetActive");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, pathIndex](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<bool> reply = *done;
        if (!reply.isError()) {
            update(screenLocked_, reply.value());
        } else if (pathIndex + 1 < static_cast<int>(kScreenSaverPaths.size())) {
            askScreenSaver(pathIndex + 1);
        }
        // No screen saver at either path: the screen is taken for unlocked.
    });
}

void DBusSessionActivity::screenSaverActiveChanged(bool active) { update(screenLocked_, active); }

void DBusSessionActivity::prepareForSleep(bool start) { update(preparingForSleep_, start); }

void DBusSessionActivity::update(bool& flag, bool value) {
    const bool wasAway = away();
    flag = value;
    if (away() != wasAway && changed_) changed_();
}

}  // namespace tamsel
