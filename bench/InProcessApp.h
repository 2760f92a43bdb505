#pragma once
// The whole application in this process, for measurements: the real controller with the
// real Qt and XDG adapters and the real aws gateway, which runs a fake aws tool from a
// private folder. HOME and the XDG folders point into that folder too, so nothing of the
// user's is read or written. The event loop is run by the measurement itself.

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "ProcStatus.h"
#include "app/AppDelegate.h"
#include "app/CloudGateway.h"
#include "app/SerialQueue.h"
#include "platform/qt/DBusSessionActivity.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/QtTimers.h"
#include "platform/qt/TrayStatusItem.h"
#include "platform/xdg/AutostartEntry.h"
#include "support/TempDir.h"

namespace tamsel::bench {

// What the instance query prints for `count` instances with two groups each.
inline std::string instanceListing(int count) {
    static const char* const kStates[] = {"running", "stopped", "running", "stopped", "pending"};
    std::string out = "[\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        out += "    {\n        \"id\": \"i-0" + std::string(16 - n.size(), '0') + n + "\",\n";
        out += "        \"state\": \"" + std::string(kStates[i % 5]) + "\",\n";
        out += "        \"type\": \"t3.micro\",\n";
        out += "        \"name\": \"server-" + n + "\",\n";
        out += "        \"sgs\": [\n            {\"id\": \"sg-a" + n + "\", \"name\": \"web-" + n +
               "\"},\n            {\"id\": \"sg-b" + n + "\", \"name\": \"ssh-only\"}\n        ]\n    }";
        out += i + 1 < count ? ",\n" : "\n";
    }
    return out + "]\n";
}

// The private home folder and the environment Qt reads from. Must exist before the
// QApplication.
class PrivateHome {
public:
    PrivateHome() {
        for (const char* name : {"config", "cache", "data", "state", "runtime"})
            std::filesystem::create_directories(dir_.path() / "xdg" / name);
        std::filesystem::permissions(dir_.path() / "xdg/runtime", std::filesystem::perms::owner_all);
        setenv("HOME", dir_.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_.path() / "xdg/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_.path() / "xdg/cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_.path() / "xdg/data").c_str(), 1);
        setenv("XDG_STATE_HOME", (dir_.path() / "xdg/state").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir_.path() / "xdg/runtime").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless the caller chose one (xcb under Xvfb)
    }
    const test::TempDir& dir() const { return dir_; }

private:
    test::TempDir dir_;
};

// A fake aws tool: "configure list-profiles" prints one profile; "ec2 describe-instances"
// prints the listing in `instances.json`, after sleeping for the seconds in `delay` when
// that file exists.
class FakeTool {
public:
    explicit FakeTool(const test::TempDir& home, int instances) : dir_(home.path() / "tool") {
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ / "instances.json") << instanceListing(instances);
        const std::string d = dir_.string();
        std::ofstream(dir_ / "aws") << "#!/bin/sh\n"
                                       "case \"$2\" in\n"
                                       "  list-profiles) echo default ;;\n"
                                       "  describe-instances)\n"
                                       "    if [ -f '" + d + "/delay' ]; then sleep \"$(cat '" + d + "/delay')\"; fi\n"
                                       "    cat '" + d + "/instances.json' ;;\n"
                                       "  *) echo \"unexpected: $*\" >&2; exit 1 ;;\n"
                                       "esac\n";
        std::filesystem::permissions(dir_ / "aws", std::filesystem::perms::owner_all);
    }

    // Every following instance query takes `seconds` (0: none).
    void setDelay(int seconds) const {
        if (seconds > 0)
            std::ofstream(dir_ / "delay") << seconds << "\n";
        else
            std::filesystem::remove(dir_ / "delay");
    }

    AWSCLIOptions options(const test::TempDir& home) const {
        AWSCLIOptions options;
        options.toolPaths = {(dir_ / "aws").string()};
        options.environment = Environment(std::map<std::string, std::string>{
            {"HOME", home.path().string()}, {"PATH", "/usr/bin:/bin"}, {"SHELL", (dir_ / "no-shell").string()}});
        return options;
    }

private:
    std::filesystem::path dir_;
};

// Runs the event loop until `done()` holds or `limit` passes; true when it held.
inline bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || std::chrono::steady_clock::now() > deadline) loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

// Runs the event loop for `duration`.
inline void runFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// The application as main() wires it, less the lock file and the tray icon.
class InProcessApp {
public:
    InProcessApp(const test::TempDir& home, const FakeTool& tool)
        : settings_(QString::fromStdString((home.path() / "xdg/config/orvane/orvane.conf").string())),
          loginItem_(home.path() / "xdg/config", "/usr/bin/true"),
          cli_(tool.options(home)),
          queue_(std::make_unique<SerialQueue>("tamsel.aws")),
          delegate_(std::make_unique<AppDelegate>(
              Platform{mainThread_, *queue_, timers_, settings_, loginItem_, alerts_, statusItem_, application_,
                       sessionActivity_},
              cli_, "0.1.0")) {}

    ~InProcessApp() {
        statusItem_.menu().hide();
        delegate_.reset();
        queue_.reset();
    }

    AppDelegate& delegate() { return *delegate_; }
    TrayStatusItem& statusItem() { return statusItem_; }
    QMenu& menu() { return statusItem_.menu(); }

    // Launches the controller and waits for its first refresh to land.
    bool launch(std::chrono::milliseconds limit) {
        delegate_->applicationDidFinishLaunching();
        return runUntil([this] { return !delegate_->loading(); }, limit);
    }

    // Opens the menu as a click on the icon does (which starts a refresh) and waits for
    // that refresh to land in the open menu.
    bool openMenuAndWait(std::chrono::milliseconds limit) {
        menu().popup(QPoint(0, 0));
        return runUntil([this] { return !delegate_->loading(); }, limit);
    }

    void closeMenu() {
        menu().hide();
        QCoreApplication::processEvents();
    }

private:
    QtMainThread mainThread_;
    QtTimers timers_;
    QtSettingsStore settings_;
    AutostartEntry loginItem_;
    QtAlerts alerts_;
    TrayStatusItem statusItem_;
    QtApplication application_;
    DBusSessionActivity sessionActivity_;
    AWSCLIGateway cli_;
    std::unique_ptr<SerialQueue> queue_;
    std::unique_ptr<AppDelegate> delegate_;
};

// Drops the offscreen platform's notes that it cannot raise windows or grab the keyboard.
inline void quietOffscreenPlatform() {
    static QtMessageHandler standard = nullptr;
    standard = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.startsWith("This plugin does not support")) return;
        standard(type, context, message);
    });
}

}  // namespace tamsel::bench
