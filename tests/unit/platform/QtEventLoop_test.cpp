#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <thread>

#include "QtTestApp.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/QtTimers.h"

namespace tamsel {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until `done` or a generous deadline (a stuck test fails, it does not hang).
template <typename Done>
void runUntil(Done done) {
    QDeadlineTimer deadline(10s);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

class QtEventLoopTest : public testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
};

TEST_F(QtEventLoopTest, PostedWorkRunsOnTheMainThreadInPostingOrder) {
    QtMainThread mainThread;
    std::vector<int> order;
    std::vector<bool> onMain;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            mainThread.post([&, i] {
                order.push_back(i);
                onMain.push_back(QThread::currentThread() == qApp->thread());
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty());  // later, not during post()
    runUntil([&] { return order.size() == 100; });
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(std::count(onMain.begin(), onMain.end(), false), 0);
}

TEST_F(QtEventLoopTest, WorkPendingWhenThePosterGoesIsDropped) {
    bool ran = false;
    {
        QtMainThread mainThread;
        mainThread.post([&] { ran = true; });
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST_F(QtEventLoopTest, OneShotTimerFiresOnceAndADestroyedHandleNever) {
    QtTimers timers;
    int fired = 0;
    int cancelled = 0;
    auto cancelledHandle = timers.startOneShot(1ms, [&] { ++cancelled; });
    cancelledHandle.reset();

    // The controller re-arms by replacing the handle from inside the firing.
    std::unique_ptr<OneShotTimer> handle;
    handle = timers.startOneShot(1ms, [&] {
        ++fired;
        handle = timers.startOneShot(1h, [&] { ++fired; });
    });
    runUntil([&] { return fired > 0; });
    // Give a wrongly repeating timer the chance to fire again.
    auto marker = timers.startOneShot(20ms, [] {});
    bool markerDone = false;
    auto done = timers.startOneShot(30ms, [&] { markerDone = true; });
    runUntil([&] { return markerDone; });
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(cancelled, 0);
}

}  // namespace
}  // namespace tamsel
