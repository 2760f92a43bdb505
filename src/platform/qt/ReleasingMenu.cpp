#include "platform/qt/ReleasingMenu.h"

namespace tamsel {

ReleasingMenu::ReleasingMenu(QWidget* parent, std::chrono::milliseconds keep) : QMenu(parent) {
    release_.setSingleShot(true);
    release_.setInterval(keep);
    connect(this, &QMenu::aboutToShow, &release_, &QTimer::stop);
    connect(this, &QMenu::aboutToHide, &release_, qOverload<>(&QTimer::start));
    connect(&release_, &QTimer::timeout, this, [this] {
        // destroy() frees the window, its backing store and what the window system holds
        // for it; the actions stay, and showing the menu creates a window again.
        if (!isVisible() && windowHandle()) destroy();
    });
}

}  // namespace tamsel
