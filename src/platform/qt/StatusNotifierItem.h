#pragma once
// The tray icon as an org.kde.StatusNotifierItem on the session bus, for a StatusNotifier
// host (KDE, GNOME's AppIndicator extension, Xfce's and LXQt's panels, waybar): the item
// at /StatusNotifierItem under a bus name of its own, registered at the watcher by
// WatcherRegistration, its menu the dbusmenu object at `menuPath`. It is marked as a
// menu (ItemIsMenu), so a host that honours it opens that menu for a left click too; the
// clicks a host still sends are handed on as they come.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

#include "platform/PlatformWording.h"
#include <memory>

#include "platform/qt/StatusNotifierTypes.h"

namespace tamsel {

class WatcherRegistration;

class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyName)
    Q_PROPERTY(QString IconName READ emptyName)
    Q_PROPERTY(tamsel::DBusImageList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyName)
    Q_PROPERTY(tamsel::DBusImageList OverlayIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionIconName READ emptyName)
    Q_PROPERTY(tamsel::DBusImageList AttentionIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionMovieName READ emptyName)
    Q_PROPERTY(tamsel::DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    // Where a click came, in screen coordinates as the host tells them.
    using Click = std::function<void(QPoint)>;

    // Exports the item on `bus` and registers it at the watcher. `activate` is called for
    // a host's Activate (a left click on a host that does not open the menu itself),
    // `contextMenu` for its ContextMenu (a host that draws no menus).
    StatusNotifierItem(QDBusConnection bus, const QString& menuPath, Click activate, Click contextMenu);
    ~StatusNotifierItem() override;

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& toolTip);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("orvane"); }
    QString title() const { return QString::fromStdString(platformWords::appName()); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyName() const { return {}; }
    DBusImageList iconPixmap() const { return icon_; }
    DBusImageList noImages() const { return {}; }
    DBusToolTip toolTip() const;
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return menuPath_; }
    // The bus name the item is found under.
    const QString& service() const { return service_; }
    // What keeps the item listed at the watcher (not a signal of the item's own: those are
    // exported on the bus).
    WatcherRegistration& registration() { return *registration_; }

public slots:
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    QDBusConnection bus_;
    QString service_;
    QDBusObjectPath menuPath_;
    Click activate_;
    Click contextMenu_;
    DBusImageList icon_;
    QString toolTip_;
    std::unique_ptr<WatcherRegistration> registration_;
};

}  // namespace tamsel
