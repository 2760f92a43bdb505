#include "platform/qt/ReleasingMenu.h"

#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QWindow>
#include <functional>

#include <QRawFont>

#include "QtTestApp.h"
#include "platform/qt/MenuFont.h"

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
    menu.addAction("起動");
    menu.addAction("停止");
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(processUntil([&] { return menu.isVisible() && menu.backingStore(); }));
    const QSize size = menu.size();

    menu.hide();
    ASSERT_TRUE(processUntil([&] { return !menu.windowHandle(); })) << "the closed menu kept its window";
    EXPECT_EQ(menu.backingStore(), nullptr) << "its pixels are still held";
    EXPECT_EQ(menu.actions().size(), 2);

    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(processUntil([&] { return menu.isVisible(); }));
    ASSERT_NE(menu.windowHandle(), nullptr);
    EXPECT_TRUE(menu.windowHandle()->isVisible());
    EXPECT_EQ(menu.size(), size);
    EXPECT_FALSE(menu.grab().isNull());
}

TEST_F(ReleasingMenuTest, AMenuOpenedAgainInTimeKeepsItsWindowAndAnOpenOneIsNeverReleased) {
    ReleasingMenu menu(nullptr, 200ms);
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
}

TEST_F(ReleasingMenuTest, DrawsTheStateDotsFromTheColourEmojiFont) {
    // DejaVu Sans has ⚫ and ⚪ as text bullets; the menu's first family must not, so that
    // they come from the colour emoji font, as on the panels.
    for (const QString& base : {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK JP")}) {
        SCOPED_TRACE(base.toStdString());
        const QStringList families = withColourDots(QFont(base)).families();
        ASSERT_EQ(families.size(), 2);
        const QRawFont first = QRawFont::fromFont(QFont(families[0]));
        EXPECT_TRUE(first.supportsCharacter(U'あ'));
        EXPECT_FALSE(first.supportsCharacter(char32_t(0x26AB)));
        EXPECT_FALSE(first.supportsCharacter(char32_t(0x26AA)));
        EXPECT_EQ(families[1], kColourEmojiFamily);
    }
    const ReleasingMenu menu;
    EXPECT_EQ(menu.font().families().value(1), kColourEmojiFamily);
}

}  // namespace
}  // namespace tamsel
