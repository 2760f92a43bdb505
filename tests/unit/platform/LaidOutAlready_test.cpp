#include "platform/qt/LaidOutAlready.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QList>
#include <QRect>

#include "QtTestApp.h"

namespace tamsel {
namespace {

QList<QRect> lines(const QMenu& menu) {
    QList<QRect> places;
    for (QAction* action : menu.actions()) places.append(menu.actionGeometry(action));
    return places;
}

// What the renderer takes from Qt's internals, checked on the Qt in use: an open menu of
// more lines than fit on the screen is laid out the same at any size, so a resize it does
// not hear of leaves it as a layout at the new size would; the window follows all the same.
TEST(LaidOutAlready, AMenuLaysItsLinesOutTheSameAtAnySize) {
    test::qtApp();
    QMenu menu;
    for (int i = 0; i < 300; ++i) menu.addAction(QString("web-%1 — running").arg(i));
    menu.popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    ASSERT_TRUE(menu.isVisible());
    const QSize laidOut = menu.size();
    const QList<QRect> before = lines(menu);

    const QSize other(laidOut.width() + 40, laidOut.height() / 2);
    {
        const LaidOutAlready held(menu);
        menu.resize(other);
    }
    EXPECT_EQ(menu.size(), other);
    EXPECT_EQ(lines(menu), before);

    menu.resize(laidOut.width() + 80, laidOut.height() / 3);  // heard: laid out anew
    QCoreApplication::processEvents();
    EXPECT_EQ(lines(menu), before);
    menu.hide();
}

}  // namespace
}  // namespace tamsel
