#pragma once
// The coloured dot before an instance's name (🟢 ⚫️ 🟡 ⚪️), drawn by the Qt menus as the
// line's icon instead of as part of its text. QMenu measures the text of every line each
// time it lays itself out, and Qt 6.4 loads a colour emoji's glyph from its font anew for
// every measurement: with the dot in the text, a menu of 1,000 instances took about 40 ms
// to lay out. Drawn once as a picture, the dot costs nothing to measure. The model and the
// menu exported over D-Bus keep the dot in the title.

#include <QFont>
#include <QIcon>
#include <QString>

namespace tamsel {

// A title split into its leading state dot (empty when it has none) and the text after
// the dot and its space.
struct DottedTitle {
    QString dot;
    QString text;
};
DottedTitle splitStateDot(const QString& title);

// The dot `dot` drawn in `font` at whatever size its icon is asked for, in colour in every
// mode (as the emoji shows in a greyed text). The same dot in the same font gives the same
// icon (equal cacheKey), so that a line whose dot did not change keeps its icon.
QIcon stateDotIcon(const QString& dot, const QFont& font);

}  // namespace tamsel
