#pragma once
// The tray icon as an org.kde.StatusNotifierItem on the session bus, for a StatusNotifier
// host (KDE, GNOME's AppIndicator extension, Xfce's and LXQt's panels, waybar): the item
// at /StatusNotifierItem under a bus name of its own, registered at the watcher by
// WatcherRegistration, its menu the dbusmenu object at `menuPath`. It is marked as a
// menu (ItemIsMenu), so a host that honours it opens that menu for a left click too; the
// clicks a host still sends are handed on as they come, or refused (see the constructor).

#include <QDBusConnection>
#include <QDBusContext>
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

class StatusNotifierItem final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QString IconName READ iconName)
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
    // a host's Activate (a left click on a host that does not open the menu itself); when
    // empty, Activate fails, which a host that opens its menu then (KDE Plasma) does.
    // `contextMenu` is called for its ContextMenu (a host that draws no menus).
    StatusNotifierItem(QDBusConnection bus, const QString& menuPath, Click activate, Click contextMenu);
    ~StatusNotifierItem() override;

    // The icon as pixmaps and, when `name` is not empty, by its name in the icon theme,
    // found in `themePath` too when that is not empty; hosts prefer the name.
    void setIcon(const QIcon& icon, const QString& name = {}, const QString& themePath = {});
    void setToolTip(const QString& toolTip);
    // Tells hosts the item's Id and Menu again (PropertiesChanged), for a host that has
    // lost them (MenuReadCheck.h).
    void tellMenuAgain();

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("orvane"); }
    QString title() const { return QString::fromStdString(platformWords::appName()); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyName() const { return {}; }
    QString iconName() const { return iconName_; }
    QString iconThemePath() const { return iconThemePath_; }
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
    QString iconName_;
    QString iconThemePath_;
    QString toolTip_;
    std::unique_ptr<WatcherRegistration> registration_;
};

}  // namespace tamsel
