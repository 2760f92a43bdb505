#pragma once
// The desktop a controller sees in tests, less its threads: timers fired by hand,
// settings in memory, a login item, scripted alerts, a recording status item, a clock,
// a recording clipboard, a session that can be away, recorded notifications.

#include "app/Platform.h"
#include "support/FakeApplication.h"
#include "support/FakeClipboard.h"
#include "support/FakeLoginItem.h"
#include "support/FakeSessionActivity.h"
#include "support/FakeTimers.h"
#include "support/MemorySettings.h"
#include "support/RecordingNotifications.h"
#include "support/RecordingStatusItem.h"
#include "support/ScriptedAlerts.h"

namespace tamsel::test {

struct FakeDesktop {
    FakeTimers timers;
    MemorySettings settings;
    FakeLoginItem loginItem;
    ScriptedAlerts alerts;
    RecordingStatusItem statusItem;
    FakeApplication application;
    RecordingClipboard clipboard;
    FakeSessionActivity sessionActivity;
    RecordingNotifications notifications;

    // The platform of these fakes with the given main thread and work queues.
    Platform platform(MainThread& mainThread, WorkQueue& queue, WorkQueue& signInQueue, WorkQueue& sweepQueue) {
        return Platform{mainThread,  queue,     timers,          settings,      loginItem,   alerts,    statusItem,
                        application, clipboard, sessionActivity, notifications, signInQueue, sweepQueue};
    }
};

}  // namespace tamsel::test
