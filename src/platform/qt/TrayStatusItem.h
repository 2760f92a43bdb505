#pragma once
// The status item on a freedesktop system tray, showing the controller's menu model: the
// icon put in a tray once there is one, of the kind that tray takes.
//
// The icon is created only once a tray is there (see TrayPresence.h), and the kind of tray
// is chosen then. On an XEmbed tray it is a QSystemTrayIcon and Qt draws the menu (a right
// or a left click; TrayMenu.h). With a StatusNotifier host on the session bus it is our own
// StatusNotifierItem, and the host draws the menu from what DBusMenuExporter exports. The
// item is marked as a menu, so most hosts open that menu for a left click too; KDE
// Plasma's tray activates the item and opens its own menu when that fails, which it
// does there; on X11 another host that activates the item instead gets Qt's copy at the
// pointer. On Wayland a client cannot place a menu of its own at the panel, so no copy
// opens there.

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/Platform.h"
#include "platform/qt/TrayMenu.h"

namespace tamsel {

class DBusMenuExporter;
class MenuReadCheck;
class StatusNotifierItem;

class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    TrayStatusItem();
    ~TrayStatusItem() override;

    // Puts the icon in the tray when one is there and returns true; otherwise returns false
    // and does so as soon as one appears (a panel that starts after the application, an
    // extension switched on later).
    bool showInTray();
    // Takes the icon out of the tray (quitting).
    void hideIcon();

    void setDelegate(MenuDelegate* delegate) override;
    void setButton(const StatusButton& button) override;
    void setMenu(Menu menu) override;

signals:
    // The icon is in a tray that was not there at first: an XEmbed tray holds it, or a
    // StatusNotifier watcher lists it (again, after it dropped it or restarted).
    void shownInTray();

public:
    // The menu Qt draws, what the icon shows and the icon in an XEmbed tray once there is
    // one (tests, diagnostics).
    QMenu& menu() { return menu_.menu(); }
    const QIcon& drawnIcon() const { return icon_; }
    const QString& toolTip() const { return toolTip_; }
    QSystemTrayIcon* icon() { return tray_.get(); }

private:
    void chosen(const MenuItem& item);
    void opening();
    void createTray();
    void exportToStatusNotifierHost();
    // The watcher lists the item: learns what kind of host shows it, and exports the menu
    // as that host reads it.
    void hostListed();
    void exportMenu(const Menu& menu);
    void openFromClick();
    void showIcon();  // on the StatusNotifier item

    MenuDelegate* delegate_ = nullptr;
    std::optional<StatusButton> button_;  // the one drawn, once the controller drew one
    QIcon icon_;
    QString toolTip_;
    TrayMenu menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;  // on an XEmbed tray; refers to menu_
    // On a StatusNotifier host: the item and its exported menu.
    std::unique_ptr<DBusMenuExporter> exported_;
    std::unique_ptr<StatusNotifierItem> item_;
    std::unique_ptr<MenuReadCheck> menuReadCheck_;  // on GNOME Shell; refers to the two above
    // The host is GNOME Shell: labels read with the first mark only, submenus drawn in
    // place, the menu never scrolled (foldedForInPlaceSubmenus).
    bool onGnomeShell_ = false;
    QTimer trayWatch_;
};

}  // namespace tamsel
