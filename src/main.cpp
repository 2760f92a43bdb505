// orvane: the EC2 instances of one AWS account and region in the system tray.
// Starts the assembled application in the tray and runs the event loop.

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <unistd.h>

#include "platform/PlatformWording.h"
#include "platform/qt/DesktopSessionCheck.h"
#include "platform/qt/EndingHook.h"
#include "platform/qt/MissingTrayNotice.h"
#include "platform/qt/QuitOnSignal.h"
#include "platform/qt/TrayApplication.h"
#include "platform/qt/TrayIconArt.h"
#include "platform/qt/TrayStatusItem.h"

namespace {

// How long quitting waits for an aws call that is under way before the process just ends.
constexpr std::chrono::milliseconds kQuitGrace{3000};
// How long after start without a system tray the user is told so in a window.
constexpr auto kTrayNoticeDelay = std::chrono::seconds(8);

// The per-user lock that keeps a second copy from running.
QString lockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        return QDir::temp().filePath(QString("orvane-%1.lock").arg(::getuid()));
    return QDir(folder).filePath("orvane.lock");
}

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so it works without a display (packaging checks, bug reports).
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "orvane " ORVANE_VERSION "\n";
        return 0;
    }

    std::optional<tamsel::DesktopSessionCheck> desktopCheck(std::in_place);
    QApplication app(argc, argv);
    desktopCheck.reset();
    // From here on, however the process ends, the aws calls under way end with it.
    tamsel::EndingHook::install();
    QApplication::setOrganizationName("orvane");
    QApplication::setApplicationName("orvane");
    QApplication::setApplicationDisplayName(QString::fromStdString(tamsel::platformWords::appName()));
    QApplication::setApplicationVersion(ORVANE_VERSION);
    QApplication::setDesktopFileName("orvane");
    QApplication::setWindowIcon(tamsel::bundledIcon("MenuBarIcon"));
    // A tray application has no main window: closing a message box must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    QLockFile lock(lockFilePath());
    lock.setStaleLockTime(0);  // a lock is stale only when its process is gone
    if (!lock.tryLock(0)) {
        qint64 pid = 0;
        QString host, name;
        if (lock.error() == QLockFile::LockFailedError && lock.getLockInfo(&pid, &host, &name))
            std::cerr << tamsel::platformWords::alreadyRunning(pid);
        else std::cerr << tamsel::platformWords::lockFileFailed(lock.fileName().toStdString());
        return 1;
    }

    tamsel::TrayApplicationOptions options;
    options.version = ORVANE_VERSION;
    auto application = std::make_unique<tamsel::TrayApplication>(std::move(options));
    tamsel::TrayStatusItem& statusItem = application->statusItem();

    tamsel::MissingTrayNotice trayNotice;
    if (!statusItem.showInTray()) {
        std::cerr << tamsel::platformWords::kNoTrayYet;
        // A panel that starts with the session comes within seconds; after that, say so
        // where the user looks.
        trayNotice.showAfter(kTrayNoticeDelay);
        QObject::connect(&statusItem, &tamsel::TrayStatusItem::shownInTray, &trayNotice,
                         &tamsel::MissingTrayNotice::dismiss);
    }

    tamsel::QuitOnSignal quitOnSignal;

    // The controller starts once the event loop runs, as a launched application does.
    QTimer::singleShot(0, [&application] { application->delegate().applicationDidFinishLaunching(); });
    const int status = QApplication::exec();

    // Take the icon away at once, end the aws calls under way (not at their time limit) with
    // their process groups, then take the application down in order. After a short grace
    // the process ends without it. The forced exit is armed first: nothing after this point
    // may wait without that bound.
    tamsel::EndingHook::forceExitAfter(kQuitGrace, status);
    statusItem.hideIcon();
    tamsel::EndingHook::endChildren();
    application.reset();
    return status;
}
