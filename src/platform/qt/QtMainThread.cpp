#include "platform/qt/QtMainThread.h"

#include <QMetaObject>

namespace tamsel {

void QtMainThread::post(std::function<void()> work) {
    // A queued call is delivered as an event to the receiver's thread, so posting from a
    // job thread never runs the work on that thread.
    QMetaObject::invokeMethod(&receiver_, std::move(work), Qt::QueuedConnection);
}

}  // namespace tamsel
