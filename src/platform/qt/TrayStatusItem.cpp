#include "platform/qt/TrayStatusItem.h"

#include <QCursor>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>

#include "app/MenuComposer.h"
#include "platform/PlatformWording.h"
#include "platform/qt/DBusMenuExporter.h"
#include "platform/qt/LineFit.h"
#include "platform/qt/MenuReadCheck.h"
#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/ScrollingMenuStyle.h"
#include "platform/qt/StatusNotifierItem.h"
#include "platform/qt/TrayIconArt.h"
#include "platform/qt/TrayPresence.h"
#include "platform/qt/WatcherRegistration.h"

namespace tamsel {
namespace {

// Where the menu is exported for a StatusNotifier host.
const QString kMenuPath = QStringLiteral("/MenuBar");

// Whether the session is KDE's (XDG_CURRENT_DESKTOP, a list split by ':').
bool onPlasma() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':')).contains(QLatin1String("KDE"));
}

// What the icon shows until the controller draws its first button.
const StatusButton kFirstButton{"MenuBarIcon", "", ""};

// How often to look for a tray that is not there yet.
constexpr auto kTrayWatchInterval = std::chrono::seconds(2);

}  // namespace

TrayStatusItem::TrayStatusItem()
    : icon_(trayIcon(kFirstButton)),
      menu_(std::make_unique<ReleasingMenu>()),
      renderer_(std::make_unique<MenuRenderer>(*menu_, [this](const MenuItem& item) { chosen(item); })),
      shortcuts_(std::make_unique<MenuShortcuts>(*menu_)) {
    menu_->setObjectName("statusMenu");
    menu_->setAccessibleName(QString::fromStdString(platformWords::appName()));
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayStatusItem::opening);

    trayWatch_.setInterval(kTrayWatchInterval);
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (!statusNotifierHostPresent() && !xembedTrayPresent()) return;
        trayWatch_.stop();
        createTray();
        if (tray_) emit shownInTray();  // a StatusNotifier item: once the watcher lists it
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
    if (tray_ || item_) return true;
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
    menuReadCheck_.reset();
    item_.reset();  // its bus name goes, and with it the item from the watcher
}

void TrayStatusItem::createTray() {
    if (statusNotifierHostPresent()) {
        exportToStatusNotifierHost();
        return;
    }
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setContextMenu(menu_.get());
    tray_->setIcon(icon_);
    tray_->setToolTip(toolTip_);
    // Trays report a left click as activation: it opens the same menu as a right click.
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !menu_->isVisible()) openFromClick();
    });
    tray_->show();
}

void TrayStatusItem::exportToStatusNotifierHost() {
    // The whole last model, hidden entries too: the host's first layout has every entry a
    // later refresh shows or hides, so that refresh changes properties only.
    exported_ = std::make_unique<DBusMenuExporter>(
        QDBusConnection::sessionBus(), kMenuPath, [this] { opening(); },
        [this](const MenuItem& item) { chosen(item); });
    // Written for the host there now, before it reads the menu; learnt again whenever a
    // watcher lists the item.
    onGnomeShell_ = statusNotifierWatcherIsGnomeShell();
    exported_->setLabelReading(onGnomeShell_ ? LabelReading::gnomeShell : LabelReading::dbusMenu);
    // Plasma places its menu once the opening is answered and grows it in place after.
    exported_->setOpeningWaitsForList(onPlasma());
    exportMenu(latest_);
    // A host that does not open the menu itself for a click gets Qt's copy, where a client
    // may place a menu (X11). On Wayland a parentless popup would be a window of its own.
    const auto copyAtPointer = [this](QPoint) {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
        if (!menu_->isVisible()) openFromClick();
    };
    // KDE Plasma's tray activates the item for a left click and opens its own menu when
    // that fails; other hosts that activate it (LXQt's panel) then show nothing.
    const StatusNotifierItem::Click activate = onPlasma() ? StatusNotifierItem::Click() : copyAtPointer;
    item_ = std::make_unique<StatusNotifierItem>(QDBusConnection::sessionBus(), kMenuPath, activate, copyAtPointer);
    showIcon();
    item_->setToolTip(toolTip_);
    menuReadCheck_ = std::make_unique<MenuReadCheck>([this] { return exported_->layoutReads(); },
                                                     [this] { item_->tellMenuAgain(); });
    connect(&item_->registration(), &WatcherRegistration::listedByWatcher, this, [this] {
        hostListed();
        // Other hosts read the menu when it opens, not when they list the item.
        if (onGnomeShell_) {
            menuReadCheck_->listed();
        } else {
            menuReadCheck_->stop();
        }
        emit shownInTray();
    });
    // The copy is rendered when a click opens it (openFromClick). Closed as long as a
    // closed menu keeps its window, it gives back its entries too.
    renderer_->render({});
    menuDrawn_ = false;
    menu_->whenReleased([this] {
        renderer_->render({});
        menuDrawn_ = false;
    });
}

void TrayStatusItem::hostListed() {
    const bool gnomeShell = statusNotifierWatcherIsGnomeShell();
    if (gnomeShell == onGnomeShell_) return;
    onGnomeShell_ = gnomeShell;
    exported_->setLabelReading(gnomeShell ? LabelReading::gnomeShell : LabelReading::dbusMenu);
    exportMenu(latest_);
}

void TrayStatusItem::exportMenu(const Menu& menu) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (onGnomeShell_ && screen) exported_->setMenu(foldedForInPlaceSubmenus(menu, screen->geometry().height()));
    else exported_->setMenu(menu);
}

void TrayStatusItem::openFromClick() {
    if (!menuDrawn_) {
        // Brought up to date before it opens, so that it opens where its size fits; a
        // rebuild the opening asks for lands in it (setMenu).
        renderer_->render(latest_);
        menuDrawn_ = true;
    }
    menu_->popup(menuPosition(*menu_));
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
    if (tray_) {
        tray_->setIcon(icon_);
        tray_->setToolTip(toolTip_);
    }
    if (item_) {
        showIcon();
        item_->setToolTip(toolTip_);
    }
}

void TrayStatusItem::showIcon() {
    // By name too where the named icons are installed (or beside the program): a host
    // may draw those at its own size instead of scaling the pixmaps.
    static const std::optional<QString> folder = themeIconFolder();
    if (!folder) {
        item_->setIcon(icon_);
        return;
    }
    item_->setIcon(icon_, themeIconName(button_.value_or(kFirstButton)), *folder);
}

void TrayStatusItem::setMenu(Menu menu) {
    // Both menus show the same lines: the one exported to a StatusNotifier host and the
    // one Qt draws. The last model is kept whole, hidden entries too, for the exported menu
    // and for a host that comes later (its first layout then holds every entry a refresh
    // shows or hides); while Qt's copy is not drawn, the model is only kept, not copied.
    if (!fitsOnLines(menu, lineMetrics())) menu = fittedToLines(std::move(menu), lineMetrics());
    if (exported_) exportMenu(menu);
    if (exported_ && !menuDrawn_) {
        latest_ = std::move(menu);
        return;
    }
    latest_ = menu;
    renderer_->render(std::move(menu));
    if (menu_->isVisible()) keepOnScreen(*menu_);
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
