#pragma once
// Makes the Ctrl shortcuts shown on a tray menu's entries work while the menu is open.
//
// Qt matches an action's shortcut only within the window that shows it, and a tray menu
// is a popup of its own that no window shows: its shortcuts are drawn but never match.
// While the menu (or one of its submenus) is open, this looks at each key press and
// triggers the enabled entry of the menu's top level whose shortcut it is.

#include <QObject>

class QMenu;

namespace tamsel {

class MenuShortcuts final : public QObject {
public:
    // `menu` must outlive this object.
    explicit MenuShortcuts(QMenu& menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isOpenHere() const;

    QMenu& menu_;
};

}  // namespace tamsel
