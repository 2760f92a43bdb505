#include "platform/qt/MenuReadCheck.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

#include "QtTestApp.h"

namespace tamsel {
namespace {

using namespace std::chrono_literals;

void processFor(std::chrono::milliseconds duration) {
    const QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool processUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A host that never reads the menu after listing the item is told a few times, less and
// less often, and no more; one that reads it, or reads it after a telling, is left alone;
// listed again, the item is checked anew.
TEST(MenuReadCheck, TellsAHostThatDoesNotReadTheMenuAFewTimesUntilItDoes) {
    test::qtApp();
    unsigned reads = 0;
    int tellings = 0;
    MenuReadCheck check([&] { return reads; }, [&] { ++tellings; }, 10ms);

    check.listed();
    ++reads;  // read at once: nothing to tell
    processFor(100ms);
    EXPECT_EQ(tellings, 0);

    check.listed();  // never read: told at 10, 30, 70 and 150 ms, then no more
    ASSERT_TRUE(processUntil([&] { return tellings == MenuReadCheck::kMostTellings; }));
    processFor(400ms);
    EXPECT_EQ(tellings, MenuReadCheck::kMostTellings);

    tellings = 0;
    check.listed();
    ASSERT_TRUE(processUntil([&] { return tellings == 1; }));  // told once, then read
    ++reads;
    processFor(200ms);
    EXPECT_EQ(tellings, 1);

    tellings = 0;
    check.listed();
    check.stop();
    processFor(100ms);
    EXPECT_EQ(tellings, 0);
}

}  // namespace
}  // namespace tamsel
