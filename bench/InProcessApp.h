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
#include <functional>
#include <memory>
#include <string>

#include "ProcStatus.h"
#include "app/AppDelegate.h"
#include "platform/qt/TrayApplication.h"
#include "support/FakeAWSTool.h"
#include "support/TempDir.h"

namespace tamsel::bench {

// What the instance query prints for `count` instances with two groups each. Names are
// "server-N", padded with letters to `nameLength` characters when that is longer; the first
// instance's name is `longName` characters long when that is not 0.
inline std::string instanceListing(int count, int nameLength = 0, int longName = 0) {
    static const char* const kStates[] = {"running", "stopped", "running", "stopped", "pending"};
    std::string out = "[\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        out += "    {\n        \"id\": \"i-0" + std::string(16 - n.size(), '0') + n + "\",\n";
        out += "        \"state\": \"" + std::string(kStates[i % 5]) + "\",\n";
        out += "        \"type\": \"t3.micro\",\n";
        std::string name = "server-" + n;
        const int length = i == 0 && longName > 0 ? longName : nameLength;
        for (size_t c = name.size(); c < static_cast<size_t>(length); ++c) name += static_cast<char>('a' + c % 26);
        out += "        \"name\": \"" + name + "\",\n";
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

// The fake aws tool of the tests, answering one profile and the listing of `count`
// instances (see instanceListing).
inline std::unique_ptr<test::FakeTool> listingTool(int count, int nameLength = 0, int longName = 0) {
    auto tool = std::make_unique<test::FakeTool>();
    tool->reply("list-profiles", "default\n");
    tool->reply("describe-instances", instanceListing(count, nameLength, longName));
    return tool;
}

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

// The application as the program assembles it, less the lock file and the tray icon,
// with its settings, autostart folder and aws tool in the private home.
class InProcessApp {
public:
    InProcessApp(const test::TempDir& home, const test::FakeTool& tool)
        : app_(TrayApplicationOptions{
              .settingsFile = QString::fromStdString((home.path() / "xdg/config/orvane/orvane.conf").string()),
              .loginItem = AutostartEntry(home.path() / "xdg/config", "/usr/bin/true"),
              .cli = tool.options(),
              .version = "0.1.0"}) {}

    ~InProcessApp() { menu().hide(); }

    AppDelegate& delegate() { return app_.delegate(); }
    TrayStatusItem& statusItem() { return app_.statusItem(); }
    QMenu& menu() { return app_.statusItem().menu(); }

    // Launches the controller and waits for its first refresh to land.
    bool launch(std::chrono::milliseconds limit) {
        delegate().applicationDidFinishLaunching();
        return runUntil([this] { return !delegate().loading(); }, limit);
    }

    // Opens the menu as a click on the icon does (which starts a refresh) and waits for
    // that refresh to land in the open menu.
    bool openMenuAndWait(std::chrono::milliseconds limit) {
        menu().popup(QPoint(0, 0));
        return runUntil([this] { return !delegate().loading(); }, limit);
    }

    void closeMenu() {
        menu().hide();
        QCoreApplication::processEvents();
    }

private:
    TrayApplication app_;
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
