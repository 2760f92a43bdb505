#include "platform/qt/ReleasingMenu.h"

#include <QTimerEvent>

namespace tamsel {

ReleasingMenu::ReleasingMenu(QWidget* parent, std::chrono::milliseconds keep) : QMenu(parent), keep_(keep) {}

void ReleasingMenu::showEvent(QShowEvent* event) {
    release_.stop();
    QMenu::showEvent(event);
}

void ReleasingMenu::hideEvent(QHideEvent* event) {
    QMenu::hideEvent(event);
    release_.start(static_cast<int>(keep_.count()), Qt::CoarseTimer, this);
}

void ReleasingMenu::timerEvent(QTimerEvent* event) {
    if (event->timerId() != release_.timerId()) {
        QMenu::timerEvent(event);  // the menu's own timers (submenu delay, scrolling)
        return;
    }
    release_.stop();
    if (isVisible()) return;
    // destroy() frees the window, its backing store and what the window system holds for
    // it; the actions stay, and showing the menu creates a window again.
    if (windowHandle()) destroy();
    if (released_) released_();
}

}  // namespace tamsel
