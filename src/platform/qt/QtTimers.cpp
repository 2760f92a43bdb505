#include "platform/qt/QtTimers.h"

#include <QTimer>

namespace tamsel {
namespace {

class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer(std::chrono::milliseconds interval, std::function<void()> fire) : fire_(std::move(fire)) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            // `fire` may destroy this handle (the controller re-arms by replacing it), so
            // nothing of `this` is touched after the call. Qt tolerates a sender deleted
            // while it emits.
            auto fire = std::move(fire_);
            fire();
        });
        timer_.start(interval);
    }

private:
    std::function<void()> fire_;
    QTimer timer_;
};

}  // namespace

std::unique_ptr<OneShotTimer> QtTimers::startOneShot(std::chrono::milliseconds interval, std::function<void()> fire) {
    return std::make_unique<QtOneShotTimer>(interval, std::move(fire));
}

}  // namespace tamsel
