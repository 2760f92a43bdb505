#include "platform/qt/DBusNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

const QString kNotifications = "org.freedesktop.Notifications";
const QString kIconName = "orvane";

}  // namespace

void DBusNotifications::send(const std::string& summary, const std::string& body) {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kNotifications, "/org/freedesktop/Notifications", kNotifications, "Notify");
    call << QString::fromStdString(platformWords::appName())  // app_name
         << 0u                                                // replaces_id: a new one
         << kIconName << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList()  // actions
         << QVariantMap()                                                                                  // hints
         << -1;               // expire_timeout: the server's default
    session.asyncCall(call);  // the pending reply is dropped: errors are ignored
}

}  // namespace tamsel
