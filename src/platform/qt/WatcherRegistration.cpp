#include "platform/qt/WatcherRegistration.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusVariant>
#include <algorithm>
#include <iostream>

#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kItems = QStringLiteral("RegisteredStatusNotifierItems");

// The bus name an entry of the watcher's list starts with: up to the object path.
QStringView busNameOf(const QString& entry) {
    const qsizetype end = std::min<qsizetype>(entry.indexOf('/') < 0 ? entry.size() : entry.indexOf('/'),
                                              entry.indexOf('@') < 0 ? entry.size() : entry.indexOf('@'));
    return QStringView(entry).left(end);
}

}  // namespace

bool watcherListsItem(const QStringList& items, const QString& service, const QString& connection) {
    return std::any_of(items.begin(), items.end(), [&](const QString& entry) {
        const QStringView name = busNameOf(entry);
        return name == service || (!connection.isEmpty() && name == connection);
    });
}

WatcherRegistration::WatcherRegistration(QDBusConnection bus, QString service)
    : bus_(std::move(bus)),
      service_(std::move(service)),
      watcher_(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &WatcherRegistration::attempt);
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) { watcherChanged(owner); });
    // Signals of whichever connection owns the watcher's name now.
    bus_.connect(QString(), kWatcherPath, kWatcher, "StatusNotifierItemUnregistered", this,
                 SLOT(itemUnregistered(QString)));
    bus_.connect(QString(), kWatcherPath, kProperties, "PropertiesChanged", this,
                 SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    if (bus_.interface()) {
        const QDBusReply<QString> owner = bus_.interface()->serviceOwner(kWatcher);
        if (owner.isValid()) watcherChanged(owner.value());
    }
}

void WatcherRegistration::watcherChanged(const QString& owner) {
    ++generation_;
    owner_ = owner;
    listed_ = false;
    told_ = false;
    delay_ = kFirstRetry;
    retry_.stop();
    if (!owner.isEmpty()) attempt();  // else wait for the next watcher
}

void WatcherRegistration::attempt() {
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem");
    call << service_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, generation = generation_] {
        pending->deleteLater();
        if (generation != generation_) return;  // a watcher since gone
        const QDBusPendingReply<> reply = *pending;
        if (!reply.isError()) {
            check();
            return;
        }
        if (!told_) {
            std::cerr << platformWords::watcherRefused(reply.error().name().toStdString());
            told_ = true;
        }
        retryLater();
    });
}

void WatcherRegistration::check() {
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcher, kWatcherPath, kProperties, "Get");
    get << kWatcher << kItems;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, generation = generation_] {
        pending->deleteLater();
        if (generation != generation_) return;
        const QDBusPendingReply<QDBusVariant> reply = *pending;
        if (reply.isError()) {
            retryLater();
            return;
        }
        itemsSeen(reply.value().variant().toStringList());
        if (!listed_) retryLater();
    });
}

void WatcherRegistration::itemsSeen(const QStringList& items) {
    const bool listed = watcherListsItem(items, service_, bus_.baseService());
    if (listed == listed_) return;
    listed_ = listed;
    if (listed) {
        emit listedByWatcher();
    } else if (!retry_.isActive()) {
        retryLater();
    }
}

void WatcherRegistration::retryLater() {
    if (owner_.isEmpty() || retry_.isActive()) return;
    retry_.start(delay_);
    delay_ = std::min<std::chrono::milliseconds>(delay_ * 2, kLongestRetry);
}

void WatcherRegistration::itemUnregistered(const QString& item) {
    if (message().service() != owner_) return;  // not the watcher there now
    if (watcherListsItem({item}, service_, bus_.baseService())) itemsSeen({});
}

void WatcherRegistration::propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
    if (interface != kWatcher || !changed.contains(kItems)) return;
    if (message().service() != owner_) return;
    itemsSeen(changed.value(kItems).toStringList());
}

}  // namespace tamsel
