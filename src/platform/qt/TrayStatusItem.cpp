#include "platform/qt/TrayStatusItem.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>

#include "app/MenuComposer.h"
#include "platform/qt/DBusMenuExporter.h"
#include "platform/qt/MenuReadCheck.h"
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
    : icon_(trayIcon(kFirstButton)), menu_([this](const MenuItem& item) { chosen(item); }, [this] { opening(); }) {
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
    tray_->setContextMenu(&menu_.menu());
    tray_->setIcon(icon_);
    tray_->setToolTip(toolTip_);
    // Trays report a left click as activation: it opens the same menu as a right click.
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !menu_.menu().isVisible()) openFromClick();
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
    exportMenu(menu_.model());
    // A host that does not open the menu itself for a click gets Qt's copy, where a client
    // may place a menu (X11). On Wayland a parentless popup would be a window of its own.
    const auto copyAtPointer = [this](QPoint) {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
        if (!menu_.menu().isVisible()) openFromClick();
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
    // The copy is drawn when a click opens it (openFromClick).
    menu_.drawOnlyWhenOpened();
}

void TrayStatusItem::hostListed() {
    const bool gnomeShell = statusNotifierWatcherIsGnomeShell();
    if (gnomeShell == onGnomeShell_) return;
    onGnomeShell_ = gnomeShell;
    exported_->setLabelReading(gnomeShell ? LabelReading::gnomeShell : LabelReading::dbusMenu);
    exportMenu(menu_.model());
}

void TrayStatusItem::exportMenu(const Menu& menu) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (onGnomeShell_ && screen) exported_->setMenu(foldedForInPlaceSubmenus(menu, screen->geometry().height()));
    else exported_->setMenu(menu);
}

void TrayStatusItem::openFromClick() {
    // Trays that do not tell where the icon is get the menu at the pointer.
    menu_.openAt(tray_ ? tray_->geometry() : QRect());
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
    // shows or hides).
    const Menu& kept = menu_.setMenu(std::move(menu));
    if (exported_) exportMenu(kept);
}

}  // namespace tamsel
