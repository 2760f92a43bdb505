#include "platform/qt/TrayStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/TrayIconArt.h"

namespace tamsel {
namespace {

// How often to look for a tray that is not there yet.
constexpr auto kTrayWatchInterval = std::chrono::seconds(2);

}  // namespace

TrayStatusItem::TrayStatusItem() : menu_(std::make_unique<ReleasingMenu>()) {
    const auto chosen = [this](const MenuItem& item) {
        if (delegate_) delegate_->menuItemChosen(item);
    };
    const auto opening = [this] {
        if (delegate_) delegate_->menuWillOpen();
    };
    menu_->setObjectName("statusMenu");
    menu_->setAccessibleName("Orvane for Mac");
    tray_.setContextMenu(menu_.get());
    connect(menu_.get(), &QMenu::aboutToShow, this, opening);
    // A menu that got a platform menu here is exported over D-Bus to a StatusNotifier
    // host (Qt chose that tray when it started): its titles are written for the host, and
    // a copy written for Qt is what a left click opens.
    if (menu_->platformMenu()) {
        renderer_ = std::make_unique<MenuRenderer>(*menu_, chosen, MenuRenderer::Drawer::dbusmenuHost);
        popup_ = std::make_unique<ReleasingMenu>();
        popup_->setObjectName("statusMenu");
        popup_->setAccessibleName("Orvane for Mac");
        popupRenderer_ = std::make_unique<MenuRenderer>(*popup_, chosen);
        connect(popup_.get(), &QMenu::aboutToShow, this, opening);
    } else {
        renderer_ = std::make_unique<MenuRenderer>(*menu_, chosen);
    }
    shortcuts_ = std::make_unique<MenuShortcuts>(drawnMenu());
    // Until the controller draws its first button.
    tray_.setIcon(trayIcon(StatusButton{"MenuBarIcon", "", ""}));

    // Trays report a left click as activation: it opens the same menu as a right click.
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        QMenu& menu = drawnMenu();
        if (reason == QSystemTrayIcon::Trigger && !menu.isVisible()) menu.popup(menuPosition(menu));
    });

    trayWatch_.setInterval(kTrayWatchInterval);
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
        trayWatch_.stop();
        tray_.show();
        emit shownInTray();
    });
}

TrayStatusItem::~TrayStatusItem() { tray_.hide(); }

bool TrayStatusItem::showInTray() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_.show();
        return true;
    }
    trayWatch_.start();
    return false;
}

QPoint TrayStatusItem::menuPosition(const QMenu& menu) const {
    // Dropped from the icon, as from a menu bar: below it on a top panel, above it on a
    // bottom one. Trays that do not tell where the icon is get the menu at the pointer.
    const QRect icon = tray_.geometry();
    const QScreen* screen = icon.isValid() ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen) return QCursor::pos();
    if (icon.center().y() < screen->geometry().center().y()) return icon.bottomLeft() + QPoint(0, 1);
    return icon.topLeft() - QPoint(0, menu.sizeHint().height());
}

void TrayStatusItem::setDelegate(MenuDelegate* delegate) { delegate_ = delegate; }

void TrayStatusItem::setButton(const StatusButton& button) {
    // Every refresh sets the button, nearly always to what it already shows; drawing the
    // icon again would load and scale its images and have the tray repaint it.
    if (button_ == button) return;
    button_ = button;
    tray_.setIcon(trayIcon(button));
    tray_.setToolTip(QString::fromStdString(button.toolTip));
}

void TrayStatusItem::setMenu(const Menu& menu) {
    renderer_->render(menu);
    if (popupRenderer_) popupRenderer_->render(menu);
    if (drawnMenu().isVisible()) keepOnScreen(drawnMenu());
}

void TrayStatusItem::keepOnScreen(QMenu& menu) {
    // An open menu grows in place when a rebuild brings longer lines (the list landing
    // after "読み込み中…"); shift it back inside the screen it is on.
    const QScreen* screen = menu.screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = menu.geometry();
    frame.setSize(menu.sizeHint());
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
    if (frame != menu.geometry()) menu.setGeometry(frame);
}

}  // namespace tamsel
