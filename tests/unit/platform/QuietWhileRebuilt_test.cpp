#include "platform/qt/QuietWhileRebuilt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QWindow>

#include "QtTestApp.h"

namespace tamsel {
namespace {

// Counts the events of one type a widget receives.
class EventCounter final : public QObject {
public:
    EventCounter(QObject& target, QEvent::Type type) : type_(type) { target.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) ++count;
        return false;
    }

private:
    QEvent::Type type_;
};

// What the renderer takes from Qt's internals, checked on the Qt in use: while flagged, an
// open menu takes new entries without laying itself out for each, and afterwards it is
// the same open popup as before, its new entries laid out at the next layout.
TEST(QuietWhileRebuilt, AnOpenMenuTakesManyEntriesWithoutALayoutEachAndStaysTheOpenPopup) {
    test::qtApp();
    QMenu menu;
    menu.addAction("読み込み中…");
    menu.popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    ASSERT_TRUE(menu.isVisible());
    ASSERT_EQ(QApplication::activePopupWidget(), &menu);
    const QSize before = menu.size();

    EventCounter resizes(menu, QEvent::Resize);
    EventCounter hides(menu, QEvent::Hide);
    {
        QuietWhileRebuilt quiet(menu);
        EXPECT_FALSE(menu.isVisible());
        for (int i = 0; i < 200; ++i) menu.addAction(QString("web-%1").arg(i));
        EXPECT_EQ(menu.size(), before);  // not laid out for each entry
        EXPECT_TRUE(quiet.reopen());
    }
    EXPECT_EQ(resizes.count, 0);
    EXPECT_EQ(hides.count, 0);
    EXPECT_TRUE(menu.isVisible());
    ASSERT_NE(menu.windowHandle(), nullptr);
    EXPECT_TRUE(menu.windowHandle()->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), &menu);   // still the popup taking input
    EXPECT_GT(menu.sizeHint().height(), before.height());  // the next layout has them all
    EXPECT_TRUE(menu.actionGeometry(menu.actions().back()).isValid());
    menu.hide();

    // A closed menu is left alone.
    QuietWhileRebuilt closed(menu);
    EXPECT_FALSE(closed.reopen());
    EXPECT_FALSE(menu.isVisible());
}

}  // namespace
}  // namespace tamsel
