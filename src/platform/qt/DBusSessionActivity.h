#pragma once
// Whether the user is away, as the desktop says it over D-Bus: the screen saver's lock on
// the session bus (org.freedesktop.ScreenSaver, at /org/freedesktop/ScreenSaver or
// /ScreenSaver) and logind's PrepareForSleep on the system bus. Without either service
// (or bus) the user is never away.

#include <QObject>
#include <functional>
#include <utility>

#include "app/Platform.h"

class QDBusServiceWatcher;

namespace tamsel {

class DBusSessionActivity final : public QObject, public SessionActivity {
    Q_OBJECT

public:
    // Subscribes to the signals and asks the screen saver for its state (the answer comes
    // later, on the event loop).
    DBusSessionActivity();

    bool away() const override { return screenLocked_ || preparingForSleep_; }
    void setListener(std::function<void()> changed) override { changed_ = std::move(changed); }

private slots:
    void screenSaverActiveChanged(bool active);
    void prepareForSleep(bool start);

private:
    // Asks GetActive at the path of that index, then at the next path the screen saver may use.
    void askScreenSaver(int pathIndex);
    void update(bool& flag, bool value);

    QDBusServiceWatcher* screenSaverWatcher_;  // a child of this object
    std::function<void()> changed_;
    bool screenLocked_ = false;
    bool preparingForSleep_ = false;
};

}  // namespace tamsel
