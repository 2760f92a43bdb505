#pragma once
// Posts work to the Qt event loop of the thread that created this object (the main thread).

#include <QObject>

#include "app/Platform.h"

namespace tamsel {

class QtMainThread final : public MainThread {
public:
    // Create on the main thread; the posted work runs there, in posting order.
    QtMainThread() = default;

    // Safe from any thread. Work still pending when this object is destroyed is dropped.
    void post(std::function<void()> work) override;

private:
    QObject receiver_;
};

}  // namespace tamsel
