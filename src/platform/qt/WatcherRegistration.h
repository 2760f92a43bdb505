#pragma once
// Keeps a StatusNotifier item listed at org.kde.StatusNotifierWatcher: registers it
// whenever a watcher appears on the bus (one that restarts, a panel that comes later),
// and registers it again, after a delay that doubles up to a bound, until the watcher's
// RegisteredStatusNotifierItems holds it: while the watcher refuses it (a new watcher
// often owns its name a moment before its object exists), when it accepts the item but
// does not list it, and whenever it drops the item later (StatusNotifierItemUnregistered
// naming it, or a list without it). GNOME's AppIndicator extension accepts an item and
// then, now and then, fails to read it and drops it; the same item registered again shows.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <chrono>

namespace tamsel {

// Whether a watcher's list of items names the item under the bus name `service` or the
// unique connection name `connection`. Watchers write an entry as the bus name alone, or
// followed by the object path ("NAME/StatusNotifierItem", or "NAME@/StatusNotifierItem").
bool watcherListsItem(const QStringList& items, const QString& service, const QString& connection);

class WatcherRegistration final : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr auto kFirstRetry = std::chrono::milliseconds(50);
    static constexpr auto kLongestRetry = std::chrono::seconds(5);

    // Registers `service` (the item's bus name) at each watcher on `bus`.
    WatcherRegistration(QDBusConnection bus, QString service);

    // The watcher there now lists the item.
    bool listed() const { return listed_; }
    // The unique bus name of the watcher there now; empty while there is none.
    const QString& watcher() const { return owner_; }

signals:
    // The watcher lists the item: the first time for that watcher, or again after a drop.
    void listedByWatcher();

private slots:
    // The watcher's signals (of whichever connection sends them: checked against owner_).
    void itemUnregistered(const QString& item);
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    void watcherChanged(const QString& owner);
    void attempt();
    void check();
    void itemsSeen(const QStringList& items);
    void retryLater();

    QDBusConnection bus_;
    QString service_;
    QString owner_;
    QDBusServiceWatcher watcher_;
    QTimer retry_;
    std::chrono::milliseconds delay_ = kFirstRetry;
    unsigned generation_ = 0;  // counts watchers seen, so a late answer of an old one is ignored
    bool listed_ = false;
    bool told_ = false;  // a refusal was reported for this watcher
};

}  // namespace tamsel
