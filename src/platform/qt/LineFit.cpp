#include "platform/qt/LineFit.h"

#include <QString>
#include <algorithm>

namespace tamsel {
namespace {

// However long the words around it, a shortened name keeps this many letters 'x' of room.
constexpr int kLeastNameChars = 12;

QString slice(const std::string& text, std::size_t start, std::size_t length) {
    return QString::fromUtf8(text.data() + start, static_cast<qsizetype>(length));
}

// Shortens the name of `item` when its title is wider than `width`; true when it did.
bool fit(MenuItem& item, const QFontMetrics& metrics, int width) {
    const NameSpan span = *item.name;
    item.name.reset();
    if (span.start + span.length > item.title.size()) return false;
    // No UTF-16 unit is wider than two letters 'x' (CJK letters, emoji halves), so the
    // usual short titles are not measured: measuring a line with a colour emoji is slow.
    const QString title = QString::fromStdString(item.title);
    if (title.size() * 2 <= kLineChars || metrics.horizontalAdvance(title) <= width) return false;

    const QString before = slice(item.title, 0, span.start);
    const QString name = slice(item.title, span.start, span.length);
    const QString after = slice(item.title, span.start + span.length, item.title.size() - span.start - span.length);
    const int least = kLeastNameChars * metrics.horizontalAdvance(QLatin1Char('x'));
    const int room = std::max(least, width - metrics.horizontalAdvance(before + after));
    const QString shortened = metrics.elidedText(name, Qt::ElideMiddle, room);
    if (shortened == name) return false;
    item.title = (before + shortened + after).toStdString();
    return true;
}

}  // namespace

Menu fittedToLines(Menu menu, const QFontMetrics& metrics) {
    const int width = kLineChars * metrics.horizontalAdvance(QLatin1Char('x'));
    for (MenuItem& item : menu) {
        if (!item.name) continue;
        const std::string whole = item.title.substr(std::min(item.name->start, item.title.size()), item.name->length);
        if (!fit(item, metrics, width) || item.submenu.empty()) continue;
        MenuItem wholeName;
        wholeName.title = whole;
        item.submenu.insert(item.submenu.begin(), std::move(wholeName));
    }
    return menu;
}

}  // namespace tamsel
