#include "platform/qt/TrayStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/ScrollingMenuStyle.h"
#include "platform/qt/TrayIconArt.h"

namespace tamsel {
namespace {

// How often to look for a tray that is not there yet.
constexpr auto kTrayWatchInterval = std::chrono::seconds(2);

}  // namespace

TrayStatusItem::TrayStatusItem()
    : menu_(std::make_unique<ReleasingMenu>()),
      renderer_(*menu_, [this](const MenuItem& item) {
          if (delegate_) delegate_->menuItemChosen(item);
      }),
      shortcuts_(*menu_) {
    menu_->setObjectName("statusMenu");
    menu_->setAccessibleName("Orvane for Mac");
    tray_.setContextMenu(menu_.get());
    // Until the controller draws its first button.
    tray_.setIcon(trayIcon(StatusButton{"MenuBarIcon", "", ""}));

    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        if (delegate_) delegate_->menuWillOpen();
    });
    // Trays report a left click as activation: it opens the same menu as a right click.
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !menu_->isVisible()) menu_->popup(menuPosition());
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

QPoint TrayStatusItem::menuPosition() const {
    // Dropped from the icon, as from a menu bar: below it on a top panel, above it on a
    // bottom one. Trays that do not tell where the icon is get the menu at the pointer.
    const QRect icon = tray_.geometry();
    const QScreen* screen = icon.isValid() ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen) return QCursor::pos();
    if (icon.center().y() < screen->geometry().center().y()) return icon.bottomLeft() + QPoint(0, 1);
    return icon.topLeft() - QPoint(0, ScrollingMenuStyle::sizeOnScreen(*menu_).height());
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
    renderer_.render(menu);
    if (menu_->isVisible()) keepOnScreen();
}

void TrayStatusItem::keepOnScreen() {
    // An open menu grows in place when a rebuild brings longer lines (the list landing
    // after "読み込み中…"); shift it back inside the screen it is on.
    const QScreen* screen = menu_->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = menu_->geometry();
    frame.setSize(ScrollingMenuStyle::sizeOnScreen(*menu_));
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
    if (frame != menu_->geometry()) menu_->setGeometry(frame);
}

}  // namespace tamsel
