#pragma once
// The application assembled from its parts: the Qt and XDG adapters, the aws gateway, the
// work queues and the controller, made in the order each needs the others and taken down
// in the reverse order. The program and the benchmarks run this one assembly.

#include <memory>
#include <optional>
#include <string>

#include <QString>

#include "app/AppDelegate.h"
#include "app/SSHGateway.h"
#include "app/SerialQueue.h"
#include "app/WorkerPool.h"
#include "bridge/AWSCLI.h"
#include "platform/qt/DBusNotifications.h"
#include "platform/qt/DBusSessionActivity.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/QtTimers.h"
#include "platform/qt/TrayStatusItem.h"
#include "platform/xdg/AutostartEntry.h"

namespace tamsel {

struct TrayApplicationOptions {
    std::optional<QString> settingsFile;      // absent: the user's own
    std::optional<AutostartEntry> loginItem;  // absent: the current user's
    AWSCLIOptions cli = {};
    std::optional<std::string> version;  // for the menu header
};

class TrayApplication {
public:
    // Needs a QApplication. Nothing runs until the controller is launched.
    explicit TrayApplication(TrayApplicationOptions options = {});
    // The controller first (no more jobs or posts), then the work queues and the sweep pool
    // (each drops the waiting jobs, waits for the running ones), while the gateway and the
    // adapters they may still use are alive.
    ~TrayApplication();
    TrayApplication(const TrayApplication&) = delete;
    TrayApplication& operator=(const TrayApplication&) = delete;

    AppDelegate& delegate() { return *delegate_; }
    TrayStatusItem& statusItem() { return statusItem_; }

private:
    QtMainThread mainThread_;
    QtTimers timers_;
    QtSettingsStore settings_;
    AutostartEntry loginItem_;
    QtAlerts alerts_;
    TrayStatusItem statusItem_;
    QtApplication application_;
    QtClipboard clipboard_;
    DBusSessionActivity sessionActivity_;
    DBusNotifications notifications_;
    SystemSSH ssh_;
    AWSCLI cli_;
    std::unique_ptr<SerialQueue> queue_;
    std::unique_ptr<SerialQueue> signInQueue_;
    std::unique_ptr<WorkerPool> sweepQueue_;
    std::unique_ptr<AppDelegate> delegate_;
};

}  // namespace tamsel
