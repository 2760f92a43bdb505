#include "platform/qt/ScrollingMenuStyle.h"

#include <QMenu>
#include <QScreen>
#include <algorithm>

namespace tamsel {

ScrollingMenuStyle& ScrollingMenuStyle::instance() {
    // Never deleted: widgets refer to their style until their very end, which for the tray
    // menu is as the application ends.
    static ScrollingMenuStyle* const style = new ScrollingMenuStyle;
    return *style;
}

QSize ScrollingMenuStyle::sizeOnScreen(const QMenu& menu) {
    QSize size = menu.sizeHint();
    if (const QScreen* screen = menu.screen()) {
        // As QMenu pops up a menu taller than the screen: from the top of the area to its
        // bottom line, less the style's frame at both ends.
        const QRect area = screen->availableGeometry();
        const int frame = menu.style()->pixelMetric(PM_MenuDesktopFrameWidth, nullptr, &menu);
        size.setHeight(std::min(size.height(), area.bottom() - area.top() - 2 * frame));
    }
    return size;
}

int ScrollingMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                  QStyleHintReturn* returnData) const {
    if (hint == SH_Menu_Scrollable) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace tamsel
