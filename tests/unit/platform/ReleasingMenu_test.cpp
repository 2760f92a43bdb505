#include "platform/qt/ReleasingMenu.h"

#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QWindow>
#include <fstream>
#include <functional>
#include <string>

#include "QtTestApp.h"
#include "platform/qt/StateDot.h"

namespace tamsel {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until `done()` holds, for at most two seconds.
bool processUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void processFor(std::chrono::milliseconds duration) {
    const QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class ReleasingMenuTest : public ::testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
};

TEST_F(ReleasingMenuTest, AClosedMenuGivesBackItsWindowAndOpensAgainWithItsEntries) {
    ReleasingMenu menu(nullptr, 50ms);
    int released = 0;
    menu.whenReleased([&] { ++released; });
    menu.addAction("起動");
    menu.addAction("停止");
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(processUntil([&] { return menu.isVisible() && menu.backingStore(); }));
    const QSize size = menu.size();

    menu.hide();
    ASSERT_TRUE(processUntil([&] { return !menu.windowHandle(); })) << "the closed menu kept its window";
    EXPECT_EQ(menu.backingStore(), nullptr) << "its pixels are still held";
    EXPECT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(released, 1) << "the owner was not told";

    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(processUntil([&] { return menu.isVisible(); }));
    ASSERT_NE(menu.windowHandle(), nullptr);
    EXPECT_TRUE(menu.windowHandle()->isVisible());
    EXPECT_EQ(menu.size(), size);
    EXPECT_FALSE(menu.grab().isNull());
}

TEST_F(ReleasingMenuTest, AMenuOpenedAgainInTimeKeepsItsWindowAndAnOpenOneIsNeverReleased) {
    ReleasingMenu menu(nullptr, 200ms);
    int released = 0;
    menu.whenReleased([&] { ++released; });
    menu.addAction("起動");
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(processUntil([&] { return menu.isVisible(); }));
    const QPointer<QWindow> window = menu.windowHandle();

    menu.hide();
    // Opened again before any event is handled, so before the closed menu's time can run
    // out however slow the machine; then open past that time.
    menu.popup(QPoint(0, 0));
    processFor(400ms);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_FALSE(window.isNull()) << "the window of the open menu was destroyed";
    EXPECT_EQ(menu.windowHandle(), window.data());
    EXPECT_EQ(released, 0) << "the open menu's owner was told to give it back";
}

// Whether this process has mapped the colour emoji font's file.
bool colourEmojiMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("NotoColorEmoji") != std::string::npos) return true;
    return false;
}

TEST_F(ReleasingMenuTest, DrawsTheStateDotsWithoutTheColourEmojiFont) {
    // That font costs about 30 MiB once loaded; the dots are painted, and the menu's
    // Japanese text needs no emoji.
    if (colourEmojiMapped()) GTEST_SKIP() << "another test of this process loaded the colour emoji font";
    ReleasingMenu menu;
    for (StateDot dot : {StateDot::running, StateDot::stopped, StateDot::changing, StateDot::other})
        menu.addAction(stateDotIcon(dot), QStringLiteral("サーバー — 停止済み"));
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(processUntil([&] { return menu.isVisible(); }));
    const QImage drawn = menu.grab().toImage();
    EXPECT_FALSE(drawn.isNull());
    EXPECT_FALSE(colourEmojiMapped());
}

}  // namespace
}  // namespace tamsel
