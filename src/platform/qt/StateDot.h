#pragma once
// The coloured dot before an instance's name (🟢 ⚫️ 🟡 ⚪️), drawn as a painted disc: by
// the Qt menus as the line's icon, and for StatusNotifier hosts as the entry's icon-data
// (PNG), with the text after the dot as the label. Drawn from a font, the dots would pull
// the colour-emoji font into the process (about 30 MiB), Qt 6.4 would load a colour
// emoji's glyph anew for every measurement of a line (a menu of 1,000 instances took
// about 40 ms to lay out), and a host's text font may draw ⚫ and ⚪ as small monochrome
// bullets. Each disc has a rim of a contrasting shade, so that it reads on light and dark
// menus alike. The model keeps the dot in the title.

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <string_view>

namespace tamsel {

// A title split into its leading state dot (empty when it has none) and the text after
// the dot and its space.
struct DottedTitle {
    QString dot;
    QString text;
};
DottedTitle splitStateDot(const QString& title);

// The dot `dot` painted at whatever size its icon is asked for, the same in every mode (a
// disabled line's dot keeps its colour). The same dot gives the same icon (equal cacheKey),
// so that a line whose dot did not change keeps its icon; a null icon for anything else.
QIcon stateDotIcon(const QString& dot);

// The dot `dot` (UTF-8) as a PNG for dbusmenu's icon-data, large enough for a host that
// draws menus at twice the size; empty for anything else.
QByteArray stateDotPng(std::string_view dot);

}  // namespace tamsel
