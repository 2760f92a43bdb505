#pragma once
// The status item on a freedesktop system tray: one QSystemTrayIcon whose menu (opened by
// a right or a left click) is the controller's menu model.
//
// The icon is created only once a tray is there (see TrayPresence.h). On an XEmbed tray
// Qt draws the menu itself. With a StatusNotifier host on the session
// bus Qt exports it over D-Bus and the host draws it on a right click; a left click only
// activates the item, and then Qt draws a second copy, rendered for Qt, at the pointer.
// That copy holds a submenu and a model per instance line, like the exported menu, but is
// seen only after a left click: it is rendered as it opens, kept up to date while it may
// open again soon, and emptied once it has stayed closed for a while.

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

namespace tamsel {

class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    TrayStatusItem();
    ~TrayStatusItem() override;

    // Puts the icon in the tray when one is there and returns true; otherwise returns false
    // and does so as soon as one appears (a panel that starts after the application, an
    // extension switched on later). The kind of tray is chosen then.
    bool showInTray();
    // Takes the icon out of the tray (quitting).
    void hideIcon();

    void setDelegate(MenuDelegate* delegate) override;
    void setButton(const StatusButton& button) override;
    void setMenu(const Menu& menu) override;

signals:
    // The icon went into a tray that was not there at first.
    void shownInTray();

public:
    // The tray's menu, what the icon shows and the icon in the tray once there is one
    // (tests, diagnostics).
    QMenu& menu() { return *menu_; }
    const QIcon& drawnIcon() const { return icon_; }
    const QString& toolTip() const { return toolTip_; }
    QSystemTrayIcon* icon() { return tray_.get(); }

private:
    void chosen(const MenuItem& item);
    void opening();
    void createTray();
    void openFromClick();
    // The menu Qt draws on activation: the tray's own, or the copy when that is exported.
    QMenu& drawnMenu() { return popup_ ? *popup_ : *menu_; }
    QPoint menuPosition(const QMenu& menu) const;
    // The metrics the menu's lines are fitted with (LineFit.h), kept between menus.
    const QFontMetrics& lineMetrics();
    void keepOnScreen(QMenu& menu);

    MenuDelegate* delegate_ = nullptr;
    std::optional<StatusButton> button_;  // the one drawn, once the controller drew one
    QIcon icon_;
    QString toolTip_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<MenuRenderer> renderer_;
    // Only while menu_ is exported over D-Bus: the copy Qt draws, and its renderer. The
    // renderer lives as long as the copy, so a choice it queued as the copy closed arrives.
    std::unique_ptr<QMenu> popup_;
    std::unique_ptr<MenuRenderer> popupRenderer_;
    bool popupDrawn_ = false;  // the copy has its entries
    QTimer popupRelease_;      // empties the copy once it has stayed closed for a while
    std::unique_ptr<MenuShortcuts> shortcuts_;  // on the menu Qt draws
    std::unique_ptr<QSystemTrayIcon> tray_;     // once a tray is there; refers to menu_
    QTimer trayWatch_;
    struct FontMetrics {
        explicit FontMetrics(const QFont& f) : font(f), metrics(f) {}
        QFont font;
        QFontMetrics metrics;
    };
    std::optional<FontMetrics> lineMetrics_;
};

}  // namespace tamsel
