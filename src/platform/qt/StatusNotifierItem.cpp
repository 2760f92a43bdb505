#include "platform/qt/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QVariantMap>

#include "platform/qt/WatcherRegistration.h"

namespace tamsel {
namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");

}  // namespace

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, const QString& menuPath, Click activate, Click contextMenu)
    : bus_(std::move(bus)),
      // The name hosts expect of an item: one per item of the process.
      service_(QString("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid())),
      menuPath_(menuPath),
      activate_(std::move(activate)),
      contextMenu_(std::move(contextMenu)) {
    registerStatusNotifierTypes();
    bus_.registerObject(
        kItemPath, this,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties);
    bus_.registerService(service_);
    registration_ = std::make_unique<WatcherRegistration>(bus_, service_);
}

StatusNotifierItem::~StatusNotifierItem() {
    registration_.reset();
    bus_.unregisterService(service_);  // the watcher drops the item
    bus_.unregisterObject(kItemPath);
}

void StatusNotifierItem::setIcon(const QIcon& icon, const QString& name, const QString& themePath) {
    icon_ = dbusImages(icon);
    iconName_ = name;
    iconThemePath_ = themePath;
    emit NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& toolTip) {
    if (toolTip == toolTip_) return;
    toolTip_ = toolTip;
    emit NewToolTip();
}

void StatusNotifierItem::tellMenuAgain() {
    QDBusMessage changed =
        QDBusMessage::createSignal(kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"), "PropertiesChanged");
    changed << QStringLiteral("org.kde.StatusNotifierItem")
            << QVariantMap{{QStringLiteral("Id"), id()}, {QStringLiteral("Menu"), QVariant::fromValue(menuPath_)}}
            << QStringList();
    bus_.send(changed);
}

DBusToolTip StatusNotifierItem::toolTip() const { return DBusToolTip{{}, {}, toolTip_, {}}; }

void StatusNotifierItem::ContextMenu(int x, int y) {
    if (contextMenu_) contextMenu_(QPoint(x, y));
}

void StatusNotifierItem::Activate(int x, int y) {
    if (activate_) {
        activate_(QPoint(x, y));
    } else if (calledFromDBus()) {
        // No action of its own: a host that opens its menu when activating fails does so.
        sendErrorReply(QDBusError::NotSupported, QStringLiteral("The item has no action of its own: open its menu"));
    }
}

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::Scroll(int, const QString&) {}

}  // namespace tamsel
