#pragma once
// The status item on a freedesktop system tray, showing the controller's menu model.
//
// The icon is created only once a tray is there (see TrayPresence.h), and the kind of tray
// is chosen then. On an XEmbed tray it is a QSystemTrayIcon and Qt draws the menu (a right
// or a left click). With a StatusNotifier host on the session bus it is our own
// StatusNotifierItem, and the host draws the menu from what DBusMenuExporter exports. The
// item is marked as a menu, so most hosts open that menu for a left click too; KDE
// Plasma's tray activates the item and opens its own menu when that fails, which it
// does there; on X11 another host that activates the item instead gets a copy drawn by
// Qt at the pointer. That copy
// is seen only then: it is rendered as it opens, kept up to date while it may open again
// soon, and emptied once it has stayed closed for a while. On Wayland a client cannot
// place a menu of its own at the panel, so no copy opens there.

#include <QFont>
#include <QFontMetrics>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/Platform.h"
#include "platform/qt/MenuRenderer.h"
#include "platform/qt/MenuShortcuts.h"
#include "platform/qt/ReleasingMenu.h"

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
    QMenu& menu() { return *menu_; }
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
    QPoint menuPosition(const QMenu& menu) const;
    // The metrics the menu's lines are fitted with (LineFit.h), kept between menus.
    const QFontMetrics& lineMetrics();
    void keepOnScreen(QMenu& menu);

    MenuDelegate* delegate_ = nullptr;
    std::optional<StatusButton> button_;  // the one drawn, once the controller drew one
    QIcon icon_;
    QString toolTip_;
    std::unique_ptr<ReleasingMenu> menu_;
    // The renderer lives as long as the menu, so a choice it queued as the menu closed arrives.
    std::unique_ptr<MenuRenderer> renderer_;
    std::unique_ptr<MenuShortcuts> shortcuts_;  // on the menu Qt draws
    std::unique_ptr<QSystemTrayIcon> tray_;     // on an XEmbed tray; refers to menu_
    // On a StatusNotifier host: the item, its exported menu, and the model the copy Qt
    // draws is rendered from when it opens.
    std::unique_ptr<DBusMenuExporter> exported_;
    std::unique_ptr<StatusNotifierItem> item_;
    std::unique_ptr<MenuReadCheck> menuReadCheck_;  // on GNOME Shell; refers to the two above
    Menu latest_;
    // The host is GNOME Shell: labels read with the first mark only, submenus drawn in
    // place, the menu never scrolled (foldedForInPlaceSubmenus).
    bool onGnomeShell_ = false;
    bool menuDrawn_ = true;  // menu_ has the entries of the model
    QTimer trayWatch_;
    struct FontMetrics {
        explicit FontMetrics(const QFont& f) : font(f), metrics(f) {}
        QFont font;
        QFontMetrics metrics;
    };
    std::optional<FontMetrics> lineMetrics_;
};

}  // namespace tamsel
