#pragma once
// The status item on a freedesktop system tray: one QSystemTrayIcon whose menu (opened by
// a right or a left click) is the controller's menu model.
//
// On an XEmbed tray Qt draws that menu itself. With a StatusNotifier host on the session
// bus Qt exports it over D-Bus and the host draws it on a right click; a left click only
// activates the item, and then Qt draws a second copy, rendered for Qt, at the pointer.

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/Platform.h"
#include "platform/qt/MenuRenderer.h"
#include "platform/qt/MenuShortcuts.h"

namespace tamsel {

class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    TrayStatusItem();
    ~TrayStatusItem() override;

    // Shows the icon when a tray is there and returns true; otherwise returns false and
    // shows it as soon as one appears (a panel that starts after the application).
    bool showInTray();

    void setDelegate(MenuDelegate* delegate) override;
    void setButton(const StatusButton& button) override;
    void setMenu(const Menu& menu) override;

signals:
    // The icon went into a tray that was not there at first.
    void shownInTray();

public:
    // The tray's menu, and the icon (tests, diagnostics).
    QMenu& menu() { return *menu_; }
    QSystemTrayIcon& icon() { return tray_; }

private:
    // The menu Qt draws on activation: the tray's own, or the copy when that is exported.
    QMenu& drawnMenu() { return popup_ ? *popup_ : *menu_; }
    QPoint menuPosition(const QMenu& menu) const;
    void keepOnScreen(QMenu& menu);

    MenuDelegate* delegate_ = nullptr;
    std::optional<StatusButton> button_;  // the one drawn, once the controller drew one
    std::unique_ptr<QMenu> menu_;  // outlives tray_, which refers to it
    QSystemTrayIcon tray_;
    std::unique_ptr<MenuRenderer> renderer_;
    // Only while menu_ is exported over D-Bus: the copy Qt draws, and its renderer.
    std::unique_ptr<QMenu> popup_;
    std::unique_ptr<MenuRenderer> popupRenderer_;
    std::unique_ptr<MenuShortcuts> shortcuts_;  // on the menu Qt draws
    QTimer trayWatch_;
};

}  // namespace tamsel
