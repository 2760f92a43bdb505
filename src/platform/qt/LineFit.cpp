#include "platform/qt/LineFit.h"

#include <QString>
#include <algorithm>
#include <optional>

namespace tamsel {
namespace {

// However long the words around it, a shortened name keeps this many letters 'x' of room.
constexpr int kLeastNameChars = 12;

QString slice(const std::string& text, std::size_t start, std::size_t length) {
    return QString::fromUtf8(text.data() + start, static_cast<qsizetype>(length));
}

// Measures texts as a line shows them. A state dot is a painted icon (StateDot.h), not
// text: it counts as a square of the line's height and a space, as the menus draw it.
class LineMeasure {
public:
    explicit LineMeasure(const QFontMetrics& metrics)
        : metrics(metrics), dot_(metrics.height() + metrics.horizontalAdvance(QLatin1Char(' '))) {}

    // The width of `item`'s line with `text` as its title.
    int width(const MenuItem& item, const QString& text) const {
        return (item.dot == StateDot::none ? 0 : dot_) + metrics.horizontalAdvance(text);
    }

    const QFontMetrics& metrics;

private:
    int dot_;
};

// The title of `item` with its name shortened, when the title is wider than `width`.
std::optional<std::string> shortenedTitle(const MenuItem& item, LineMeasure& measure, int width) {
    if (!item.name) return std::nullopt;
    const QFontMetrics& metrics = measure.metrics;
    const NameSpan span = *item.name;
    if (span.start + span.length > item.title.size()) return std::nullopt;
    // No UTF-16 unit is wider than two letters 'x' (CJK letters, emoji halves), nor the dot
    // wider than three, so the usual short titles are not measured.
    const QString title = QString::fromStdString(item.title);
    const qsizetype units = title.size() + (item.dot == StateDot::none ? 0 : 3);
    if (units * 2 <= kLineChars || measure.width(item, title) <= width) return std::nullopt;

    const QString before = slice(item.title, 0, span.start);
    const QString name = slice(item.title, span.start, span.length);
    const QString after = slice(item.title, span.start + span.length, item.title.size() - span.start - span.length);
    const int least = kLeastNameChars * metrics.horizontalAdvance(QLatin1Char('x'));
    const int room = std::max(least, width - measure.width(item, before + after));
    const QString shortened = metrics.elidedText(name, Qt::ElideMiddle, room);
    if (shortened == name) return std::nullopt;
    return (before + shortened + after).toStdString();
}

int lineWidth(const QFontMetrics& metrics) { return kLineChars * metrics.horizontalAdvance(QLatin1Char('x')); }

}  // namespace

void fitToLines(Menu& menu, const QFontMetrics& metrics) {
    const int width = lineWidth(metrics);
    LineMeasure measure(metrics);
    for (MenuItem& item : menu) {
        if (!item.name) continue;
        std::optional<std::string> title = shortenedTitle(item, measure, width);
        const NameSpan span = *item.name;
        item.name.reset();
        if (!title) continue;
        // The line's submenu starts with the whole name.
        MenuItem wholeName;
        wholeName.title = item.title.substr(span.start, span.length);
        item.title = std::move(*title);
        if (!item.submenu.empty()) item.submenu.insert(item.submenu.begin(), std::move(wholeName));
    }
}

}  // namespace tamsel
