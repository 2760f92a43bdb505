#include "platform/qt/TrayStatusItem.h"

#include <QCursor>

#include "platform/qt/TrayIconArt.h"

namespace tamsel {
namespace {

// How often to look for a tray that is not there yet.
constexpr auto kTrayWatchInterval = std::chrono::seconds(2);

}  // namespace

TrayStatusItem::TrayStatusItem()
    : menu_(std::make_unique<QMenu>()),
      renderer_(*menu_, [this](const MenuItem& item) {
          if (delegate_) delegate_->menuItemChosen(item);
      }) {
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
        if (reason == QSystemTrayIcon::Trigger && !menu_->isVisible()) menu_->popup(QCursor::pos());
    });

    trayWatch_.setInterval(kTrayWatchInterval);
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
        trayWatch_.stop();
        tray_.show();
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

void TrayStatusItem::setDelegate(MenuDelegate* delegate) { delegate_ = delegate; }

void TrayStatusItem::setButton(const StatusButton& button) {
    tray_.setIcon(trayIcon(button));
    tray_.setToolTip(QString::fromStdString(button.toolTip));
}

void TrayStatusItem::setMenu(const Menu& menu) { renderer_.render(menu); }

}  // namespace tamsel
