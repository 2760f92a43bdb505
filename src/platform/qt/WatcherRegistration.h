#pragma once
// Keeps a StatusNotifier item registered at org.kde.StatusNotifierWatcher: registers it
// whenever a watcher appears on the bus (one that restarts, a panel that comes later),
// and, while that watcher is there and has not accepted it, tries again after a short
// delay that doubles up to a bound. A new watcher often owns its name a moment before its
// object exists, and refuses a registration that comes that early.

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

namespace tamsel {

class WatcherRegistration final : public QObject {
    Q_OBJECT
public:
    static constexpr auto kFirstRetry = std::chrono::milliseconds(50);
    static constexpr auto kLongestRetry = std::chrono::seconds(5);

    // Registers `service` (the item's bus name) at each watcher on `bus`.
    WatcherRegistration(QDBusConnection bus, QString service);

    // The watcher there now has accepted the item.
    bool registered() const { return registered_; }

private:
    void watcherChanged(const QString& owner);
    void attempt();

    QDBusConnection bus_;
    QString service_;
    QDBusServiceWatcher watcher_;
    QTimer retry_;
    std::chrono::milliseconds delay_ = kFirstRetry;
    unsigned generation_ = 0;  // counts watchers seen, so a late answer of an old one is ignored
    bool registered_ = false;
    bool told_ = false;  // a refusal was reported for this watcher
};

}  // namespace tamsel
