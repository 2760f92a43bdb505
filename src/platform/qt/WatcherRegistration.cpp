#include "platform/qt/WatcherRegistration.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>
#include <iostream>

#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

}  // namespace

WatcherRegistration::WatcherRegistration(QDBusConnection bus, QString service)
    : bus_(std::move(bus)),
      service_(std::move(service)),
      watcher_(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &WatcherRegistration::attempt);
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) { watcherChanged(owner); });
    if (bus_.interface() && bus_.interface()->isServiceRegistered(kWatcher)) watcherChanged(kWatcher);
}

void WatcherRegistration::watcherChanged(const QString& owner) {
    ++generation_;
    registered_ = false;
    told_ = false;
    delay_ = kFirstRetry;
    retry_.stop();
    if (!owner.isEmpty()) attempt();  // else wait for the next watcher
}

void WatcherRegistration::attempt() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcher, "/StatusNotifierWatcher", kWatcher, "RegisterStatusNotifierItem");
    call << service_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, generation = generation_] {
        pending->deleteLater();
        if (generation != generation_) return;  // a watcher since gone
        const QDBusPendingReply<> reply = *pending;
        if (!reply.isError()) {
            registered_ = true;
            return;
        }
        if (!told_) {
            std::cerr << platformWords::watcherRefused(reply.error().name().toStdString());
            told_ = true;
        }
        retry_.start(delay_);
        delay_ = std::min<std::chrono::milliseconds>(delay_ * 2, kLongestRetry);
    });
}

}  // namespace tamsel
