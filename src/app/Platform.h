#pragma once
// What the controller needs of the desktop, as small interfaces. The real ones are the
// Qt and XDG adapters in src/platform; unit tests use fakes. Every call is made on the
// main thread, except WorkQueue jobs, which run on their queue.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Failure.h"
#include "app/MenuModel.h"

namespace tamsel {

// Runs work later on the main thread, in posting order. Safe to call from any thread.
class MainThread {
public:
    virtual ~MainThread() = default;
    virtual void post(std::function<void()> work) = 0;
};

// A work queue: jobs start in the order queued, off the main thread. The work and sign-in
// queues run them one at a time; the sweep queue runs a few at once.
class WorkQueue {
public:
    virtual ~WorkQueue() = default;
    virtual void async(std::function<void()> job) = 0;
};

// An armed one-shot timer; destroying it disarms it.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
};

class Timers {
public:
    virtual ~Timers() = default;
    // Calls `fire` once on the main thread after `interval`, unless the handle is destroyed first.
    virtual std::unique_ptr<OneShotTimer> startOneShot(std::chrono::milliseconds interval,
                                                       std::function<void()> fire) = 0;
};

// The per-user settings store.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The text under `key`; absent when the key is absent or holds something else.
    virtual std::optional<std::string> string(const std::string& key) const = 0;
    // The mapping under `key`; absent when the key is absent, holds something that is not
    // a mapping, or any of its values is not text.
    virtual std::optional<std::map<std::string, std::string>> stringMap(const std::string& key) const = 0;
    // Stores `value`; absent removes the key. Both setters return a Failure of the kind
    // settingsNotSaved (the file and the system's reason) when the file could not be
    // written, or nothing when the value is stored.
    [[nodiscard]] virtual std::optional<Failure> setString(const std::string& key,
                                                           const std::optional<std::string>& value) = 0;
    // Stores the whole mapping; an empty one may read back as absent.
    [[nodiscard]] virtual std::optional<Failure> setStringMap(const std::string& key,
                                                              const std::map<std::string, std::string>& value) = 0;
};

// Starting the application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Both throw std::exception whose what() describes the failure for the user.
    virtual void enable() = 0;
    virtual void disable() = 0;
};

// A modal warning dialog.
struct Alert {
    std::string title;
    std::string body;
    std::vector<std::string> buttons;  // in order; empty means one default confirmation button
    bool bringToFront = true;

    bool operator==(const Alert&) const = default;
};

// A modal dialog asking for a code of `digits` digits, in one field that takes digits only.
struct CodeQuestion {
    std::string title;
    std::string body;
    std::string accept;  // the button that gives the code: enabled only with `digits` digits
    std::string cancel;
    std::size_t digits = 6;

    bool operator==(const CodeQuestion&) const = default;
};

class Alerts {
public:
    virtual ~Alerts() = default;
    // Shows `alert` and blocks until it is dismissed. Returns the index of the chosen
    // button in `alert.buttons` (0 is the first), or -1 when it was closed otherwise.
    virtual int run(const Alert& alert) = 0;
    // Shows `question` and blocks until it is answered: the code entered, or absent when
    // the dialog was cancelled or closed.
    virtual std::optional<std::string> ask(const CodeQuestion& question) = 0;
};

// What the tray icon shows.
struct StatusButton {
    std::string imageName;  // "MenuBarIcon" or "MenuBarIconRunning"
    std::string title;      // " !" while an error is pending, else empty
    std::string toolTip;

    bool operator==(const StatusButton&) const = default;
};

// The controller's side of the tray menu.
class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    // The menu is about to open.
    virtual void menuWillOpen() = 0;
    // The user chose `item` (a copy of the item as it was built).
    virtual void menuItemChosen(const MenuItem& item) = 0;
};

// The tray icon and its one menu.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    virtual void setDelegate(MenuDelegate* delegate) = 0;
    virtual void setButton(const StatusButton& button) = 0;
    // Replaces the whole menu (also while it is open). Taken by value: the item may keep
    // the model it is handed rather than copy it.
    virtual void setMenu(Menu menu) = 0;
};

// The desktop's clipboard.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces what the clipboard holds (and, where the desktop has one, the primary
    // selection) with `text`.
    virtual void setText(const std::string& text) = 0;
};

// Whether anybody can be looking at the screen: the user is away while the session's
// screen is locked or the machine is about to sleep.
class SessionActivity {
public:
    virtual ~SessionActivity() = default;
    virtual bool away() const = 0;
    // `changed` is called on the main thread each time away() changes; a later call
    // replaces it, and an empty function stops the calls.
    virtual void setListener(std::function<void()> changed) = 0;
};

// The desktop's notifications: a short message shown outside the menu.
class Notifications {
public:
    virtual ~Notifications() = default;
    // Shows one notification; never fails (without a notification service nothing is shown).
    virtual void send(const std::string& summary, const std::string& body) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    // Ends the event loop and with it the application.
    virtual void quit() = 0;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

// Everything the controller uses of the desktop.
struct Platform {
    MainThread& mainThread;
    WorkQueue& queue;
    Timers& timers;
    SettingsStore& settings;
    LoginItem& loginItem;
    Alerts& alerts;
    StatusItem& statusItem;
    Application& application;
    Clipboard& clipboard;
    SessionActivity& sessionActivity;
    Notifications& notifications;
    // A second serial queue, for "aws sso login", which waits on the user for minutes.
    WorkQueue& signInQueue;
    // For counting the other regions: runs up to four jobs at once, beside the work queue.
    WorkQueue& sweepQueue;
};

}  // namespace tamsel
