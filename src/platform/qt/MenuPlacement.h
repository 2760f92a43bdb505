#pragma once
// Where the menu Qt draws opens, and how it stays on the screen.

#include <QPoint>
#include <QRect>

class QMenu;

namespace tamsel {

// Dropped from the icon at `icon`, as from a menu bar: below it on a top panel, above it
// on a bottom one. At the pointer when the tray does not tell where the icon is (an
// invalid `icon`) or the icon is on no screen.
QPoint dropPosition(const QRect& icon, const QMenu& menu);

// Shifts an open `menu` back inside the screen it is on, once it has grown in place (a
// rebuild brought longer lines: the list landing after 「読み込み中…」).
void keepOnScreen(QMenu& menu);

}  // namespace tamsel
