#include "platform/qt/MenuPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "platform/qt/ScrollingMenuStyle.h"

namespace tamsel {

QPoint dropPosition(const QRect& icon, const QMenu& menu) {
    const QScreen* screen = icon.isValid() ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen) return QCursor::pos();
    if (icon.center().y() < screen->geometry().center().y()) return icon.bottomLeft() + QPoint(0, 1);
    return icon.topLeft() - QPoint(0, ScrollingMenuStyle::sizeOnScreen(menu).height());
}

void keepOnScreen(QMenu& menu) {
    const QScreen* screen = menu.screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = menu.geometry();
    frame.setSize(ScrollingMenuStyle::sizeOnScreen(menu));
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
    if (frame != menu.geometry()) menu.setGeometry(frame);
}

}  // namespace tamsel
