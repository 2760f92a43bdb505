#pragma once
// The application's style for the tray menu, except that a menu taller than its screen
// scrolls, as Qt's own styles let a menu do, instead of wrapping into more columns.
//
// A wrapped menu is as wide as all its columns and a window as large as that keeps a
// backing store of as many pixels: for 1,000 instances on a 1024×768 screen, some 20 MiB,
// and many times that when one long line widens every column. A scrolling menu is at most
// as tall as the screen.

#include <QProxyStyle>
#include <QSize>

class QMenu;

namespace tamsel {

class ScrollingMenuStyle final : public QProxyStyle {
public:
    // The one instance, for every menu that uses it; it lives as long as the process.
    static ScrollingMenuStyle& instance();

    // The size `menu` takes on its screen: its laid-out size, at most as tall as the screen's
    // available area (QMenu::sizeHint() is as tall as all its lines).
    static QSize sizeOnScreen(const QMenu& menu);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

private:
    ScrollingMenuStyle() = default;
};

}  // namespace tamsel
