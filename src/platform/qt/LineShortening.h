#pragma once
// A top-level line of the tray menu too wide for the menu, shortened in the middle
// ("web-prod…east-1 — running") so the state dot at its start and the state at its end
// stay in view. The menu is as wide as its widest line, and one long instance name would
// widen it for every line. Qt's own menu and the one a StatusNotifier host draws show
// the same shortened lines.

#include <QFontMetrics>
#include <QString>

#include "app/MenuModel.h"

namespace tamsel {

// `title` as a line measured with `metrics` shows it, or a null string when it fits.
QString shortenedToLine(const QString& title, const QFontMetrics& metrics);

// `menu` with each top-level title that does not fit shortened; submenus as they are.
Menu withLinesShortened(const Menu& menu, const QFontMetrics& metrics);

}  // namespace tamsel
