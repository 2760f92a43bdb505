#include "platform/qt/LineShortening.h"

namespace tamsel {
namespace {

// A line is at most as wide as this many letters 'x' of its font. (Not the font's
// average character width: that of a CJK font, the default under a Japanese locale, is
// the width of its full-width letters.)
constexpr int kLineChars = 48;

}  // namespace

QString shortenedToLine(const QString& title, const QFontMetrics& metrics) {
    // No UTF-16 unit is wider than two letters 'x' (CJK letters, emoji halves), so the
    // usual short titles are not measured: measuring a line with a colour emoji costs about
    // 50 µs.
    if (title.size() * 2 <= kLineChars) return {};
    const int width = kLineChars * metrics.horizontalAdvance(QLatin1Char('x'));
    if (metrics.horizontalAdvance(title) <= width) return {};
    return metrics.elidedText(title, Qt::ElideMiddle, width);
}

Menu withLinesShortened(const Menu& menu, const QFontMetrics& metrics) {
    Menu shown = menu;
    for (MenuItem& item : shown) {
        if (item.separator) continue;
        const QString shortened = shortenedToLine(QString::fromStdString(item.title).replace('\t', ' '), metrics);
        if (!shortened.isNull()) item.title = shortened.toStdString();
    }
    return shown;
}

}  // namespace tamsel
