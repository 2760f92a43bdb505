#pragma once
// Fits the tray menu's top-level lines to one width. The menu is as wide as its widest
// line, and one long instance name would widen it, and the pixels it holds, for every
// line. Only a name from outside is shortened, in the middle ("web-prod…east-1"), the
// product's own words around it staying whole; the line's submenu then starts with a
// disabled line holding the whole name, so that two names that differ only in the middle
// can still be told apart, on every kind of tray.

#include <QFontMetrics>

#include "app/MenuModel.h"

namespace tamsel {

// A line is at most as wide as this many letters 'x' of its font. (Not the font's average
// character width: that of a CJK font, the default under a Japanese locale, is the width
// of its full-width letters.)
inline constexpr int kLineChars = 48;

// Fits the lines of `menu` as they are drawn with `metrics` (titles shown literally),
// measuring each once. Its items are left with no name span, so fitting them again
// changes nothing.
void fitToLines(Menu& menu, const QFontMetrics& metrics);

}  // namespace tamsel
