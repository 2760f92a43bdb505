#pragma once
// The coloured dot before an instance's name (🟢 ⚫️ 🟡 ⚪️), drawn as a painted disc: by
// the Qt menus as the line's icon, and for StatusNotifier hosts as the entry's icon-data
// (PNG), with the text after the dot as the label. Drawn from a font, the dots would pull
// the colour-emoji font into the process (about 30 MiB), Qt 6.4 would load a colour
// emoji's glyph anew for every measurement of a line (a menu of 1,000 instances took
// about 40 ms to lay out), and a host's text font may draw ⚫ and ⚪ as small monochrome
// bullets. Each disc has a rim of a contrasting shade, so that it reads on light and dark
// menus alike. The model carries the dot beside the title (MenuItem::dot).

#include <QByteArray>
#include <QIcon>

#include "app/MenuModel.h"

namespace tamsel {

// The dot `dot` painted at whatever size its icon is asked for, the same in every mode (a
// disabled line's dot keeps its colour). The same dot gives the same icon (equal cacheKey),
// so that a line whose dot did not change keeps its icon; a null icon for none.
QIcon stateDotIcon(StateDot dot);

// The dot `dot` as a PNG for dbusmenu's icon-data, large enough for a host that draws
// menus at twice the size; empty for none.
QByteArray stateDotPng(StateDot dot);

}  // namespace tamsel
