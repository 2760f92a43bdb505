#include "platform/qt/TrayStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/LineFit.h"
#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/ScrollingMenuStyle.h"
#include "platform/qt/TrayIconArt.h"
#include "platform/qt/TrayPresence.h"

namespace tamsel {
namespace {

// How often to look for a tray that is not there yet.
constexpr auto kTrayWatchInterval = std::chrono::seconds(2);

}  // namespace

TrayStatusItem::TrayStatusItem()
    : icon_(trayIcon(StatusButton{"MenuBarIcon", "", ""})),  // until the controller draws its first button
      menu_(std::make_unique<ReleasingMenu>()),
      renderer_(std::make_unique<MenuRenderer>(*menu_, [this](const MenuItem& item) { chosen(item); })),
      shortcuts_(std::make_unique<MenuShortcuts>(*menu_)) {
    menu_->setObjectName("statusMenu");
    menu_->setAccessibleName("Orvane for Mac");
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayStatusItem::opening);

    trayWatch_.setInterval(kTrayWatchInterval);
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (!statusNotifierHostPresent() && !xembedTrayPresent()) return;
        trayWatch_.stop();
        createTray();
        emit shownInTray();
    });
}

TrayStatusItem::~TrayStatusItem() { hideIcon(); }

void TrayStatusItem::chosen(const MenuItem& item) {
    if (delegate_) delegate_->menuItemChosen(item);
}

void TrayStatusItem::opening() {
    if (delegate_) delegate_->menuWillOpen();
}

bool TrayStatusItem::showInTray() {
    if (tray_) return true;
    if (statusNotifierHostPresent() || xembedTrayPresent()) {
        createTray();
        return true;
    }
    trayWatch_.start();
    return false;
}

void TrayStatusItem::hideIcon() {
    trayWatch_.stop();
    if (tray_) tray_->hide();
}

void TrayStatusItem::createTray() {
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setContextMenu(menu_.get());
    // A menu that got a platform menu here is exported over D-Bus to a StatusNotifier
    // host: its titles are written for the host, and a copy written for Qt is what a left
    // click opens.
    if (menu_->platformMenu()) {
        const Menu drawn = renderer_->drawn();
        const auto chosenHere = [this](const MenuItem& item) { chosen(item); };
        shortcuts_.reset();
        renderer_.reset();  // takes its entries out of the menu
        renderer_ = std::make_unique<MenuRenderer>(*menu_, chosenHere, MenuRenderer::Drawer::dbusmenuHost);
        renderer_->render(drawn);
        popup_ = std::make_unique<ReleasingMenu>();
        popup_->setObjectName("statusMenu");
        popup_->setAccessibleName("Orvane for Mac");
        connect(popup_.get(), &QMenu::aboutToShow, this, &TrayStatusItem::opening);
        popupRenderer_ = std::make_unique<MenuRenderer>(*popup_, chosenHere);
        shortcuts_ = std::make_unique<MenuShortcuts>(*popup_);
        // The copy is rendered when a click opens it (openFromClick). Closed as long as a
        // closed menu keeps its window, it gives back its entries too.
        popupRelease_.setSingleShot(true);
        popupRelease_.setInterval(ReleasingMenu::kKeepClosedWindow);
        connect(popup_.get(), &QMenu::aboutToHide, &popupRelease_, qOverload<>(&QTimer::start));
        connect(&popupRelease_, &QTimer::timeout, this, [this] {
            if (popup_->isVisible()) return;
            popupRenderer_->render({});
            popupDrawn_ = false;
        });
    }
    tray_->setIcon(icon_);
    tray_->setToolTip(toolTip_);
    // Trays report a left click as activation: it opens the same menu as a right click.
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !drawnMenu().isVisible()) openFromClick();
    });
    tray_->show();
}

void TrayStatusItem::openFromClick() {
    if (popupRenderer_) {
        // Brought up to date before it opens, so that it opens where its size fits; a
        // rebuild the opening asks for lands in it (setMenu).
        popupRenderer_->render(renderer_->drawn());
        popupDrawn_ = true;
    }
    QMenu& menu = drawnMenu();
    menu.popup(menuPosition(menu));
}

QPoint TrayStatusItem::menuPosition(const QMenu& menu) const {
    // Dropped from the icon, as from a menu bar: below it on a top panel, above it on a
    // bottom one. Trays that do not tell where the icon is get the menu at the pointer.
    const QRect icon = tray_ ? tray_->geometry() : QRect();
    const QScreen* screen = icon.isValid() ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen) return QCursor::pos();
    if (icon.center().y() < screen->geometry().center().y()) return icon.bottomLeft() + QPoint(0, 1);
    return icon.topLeft() - QPoint(0, ScrollingMenuStyle::sizeOnScreen(menu).height());
}

void TrayStatusItem::setDelegate(MenuDelegate* delegate) { delegate_ = delegate; }

void TrayStatusItem::setButton(const StatusButton& button) {
    // Every refresh sets the button, nearly always to what it already shows; drawing the
    // icon again would load and scale its images and have the tray repaint it.
    if (button_ == button) return;
    button_ = button;
    icon_ = trayIcon(button);
    toolTip_ = QString::fromStdString(button.toolTip);
    if (!tray_) return;
    tray_->setIcon(icon_);
    tray_->setToolTip(toolTip_);
}

void TrayStatusItem::setMenu(const Menu& model) {
    const Menu menu = fittedToLines(model, lineMetrics());
    renderer_->render(menu);
    if (popupDrawn_) popupRenderer_->render(menu);
    if (drawnMenu().isVisible()) keepOnScreen(drawnMenu());
}

const QFontMetrics& TrayStatusItem::lineMetrics() {
    // Both copies of the menu are drawn in the tray menu's font.
    if (!lineMetrics_ || lineMetrics_->font != menu_->font()) lineMetrics_.emplace(menu_->font());
    return lineMetrics_->metrics;
}

void TrayStatusItem::keepOnScreen(QMenu& menu) {
    // An open menu grows in place when a rebuild brings longer lines (the list landing
    // after "読み込み中…"); shift it back inside the screen it is on.
    const QScreen* screen = menu.screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = menu.geometry();
    frame.setSize(ScrollingMenuStyle::sizeOnScreen(menu));
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
    if (frame != menu.geometry()) menu.setGeometry(frame);
}

}  // namespace tamsel
