#pragma once
// The status item on a freedesktop system tray: one QSystemTrayIcon whose menu (opened by
// a right or a left click) is the controller's menu model.

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
    // The menu as drawn, and the icon (tests, diagnostics).
    QMenu& menu() { return *menu_; }
    QSystemTrayIcon& icon() { return tray_; }

private:
    QPoint menuPosition() const;
    void keepOnScreen();

    MenuDelegate* delegate_ = nullptr;
    std::optional<StatusButton> button_;  // the one drawn, once the controller drew one
    std::unique_ptr<QMenu> menu_;  // outlives tray_, which refers to it
    QSystemTrayIcon tray_;
    MenuRenderer renderer_;
    MenuShortcuts shortcuts_;
    QTimer trayWatch_;
};

}  // namespace tamsel
