#include "platform/qt/StateDot.h"

#include <QFontMetricsF>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Wording.h"

namespace tamsel {
namespace {

constexpr std::array<std::string_view, 4> kDots = {words::kRunningDot, words::kStoppedDot, words::kChangingDot,
                                                   words::kOtherStateDot};

// Draws the dot as a text in the menu's font, fitted to the size asked for, each size
// once.
class DotEngine final : public QIconEngine {
public:
    DotEngine(QString dot, const QFont& font) : dot_(std::move(dot)), font_(font) {}

    QIconEngine* clone() const override { return new DotEngine(*this); }
    QString key() const override { return QStringLiteral("tamsel.StateDot"); }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override { return drawn(size); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = drawn(rect.size() * ratio);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), picture);
    }

private:
    QPixmap drawn(const QSize& size) {
        if (size.isEmpty()) return {};
        const quint64 key = (quint64(quint32(size.width())) << 32) | quint32(size.height());
        if (auto found = drawn_.constFind(key); found != drawn_.constEnd()) return *found;
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        // As large as fits: the glyph of a colour emoji is wider than its font's size.
        QFont font = font_;
        font.setPixelSize(size.height());
        const qreal width = QFontMetricsF(font).horizontalAdvance(dot_);
        if (width > size.width()) font.setPixelSize(std::max(1, int(std::floor(size.height() * size.width() / width))));
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setFont(font);
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, dot_);
        painter.end();
        drawn_.insert(key, picture);
        return picture;
    }

    QString dot_;
    QFont font_;
    QHash<quint64, QPixmap> drawn_;
};

// The icons made so far, by dot and font; a handful at most, looked up for every line
// drawn, so without building a key.
struct Made {
    QString dot;
    QFont font;
    QIcon icon;
};
std::vector<Made>& icons() {
    static std::vector<Made> made;
    return made;
}

// The dots, each followed by its space, as a title starts with them.
const std::array<QString, kDots.size()>& dotsWithSpace() {
    static const std::array<QString, kDots.size()> dots = [] {
        std::array<QString, kDots.size()> made;
        for (size_t i = 0; i < kDots.size(); ++i)
            made[i] = QString::fromUtf8(kDots[i].data(), qsizetype(kDots[i].size())) + QLatin1Char(' ');
        return made;
    }();
    return dots;
}

}  // namespace

DottedTitle splitStateDot(const QString& title) {
    for (const QString& prefix : dotsWithSpace())
        if (title.startsWith(prefix)) return {prefix.chopped(1), title.mid(prefix.size())};
    return {{}, title};
}

QIcon stateDotIcon(const QString& dot, const QFont& font) {
    for (const Made& made : icons())
        if (made.dot == dot && made.font == font) return made.icon;
    icons().push_back({dot, font, QIcon(new DotEngine(dot, font))});
    return icons().back().icon;
}

}  // namespace tamsel
