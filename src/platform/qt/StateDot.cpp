#include "platform/qt/StateDot.h"

#include <QAction>
#include <QFontMetricsF>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <array>
#include <cmath>
#include <string_view>

#include "app/Wording.h"

namespace tamsel {
namespace {

constexpr std::array<std::string_view, 4> kDots = {words::kRunningDot, words::kStoppedDot, words::kChangingDot,
                                                   words::kOtherStateDot};

// Draws the dot as a text in the menu's font, fitted to the size asked for, each size
// once.
class DotEngine final : public QIconEngine {
public:
    DotEngine(QString dot, QFont font) : dot_(std::move(dot)), font_(std::move(font)) {}

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
        if (width > size.width())
            font.setPixelSize(std::max(1, int(std::floor(size.height() * size.width() / width))));
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

// The icons made so far, by dot and font; a handful at most.
QHash<QString, QIcon>& icons() {
    static QHash<QString, QIcon> made;
    return made;
}

}  // namespace

DottedTitle splitStateDot(const QString& title) {
    for (std::string_view dot : kDots) {
        const QString prefix = QString::fromUtf8(dot.data(), qsizetype(dot.size())) + QLatin1Char(' ');
        if (title.startsWith(prefix)) return {prefix.chopped(1), title.mid(prefix.size())};
    }
    return {{}, title};
}

QIcon stateDotIcon(const QString& dot, const QFont& font) {
    const QString key = dot + QLatin1Char('\n') + font.key();
    auto found = icons().find(key);
    if (found == icons().end()) found = icons().insert(key, QIcon(new DotEngine(dot, font)));
    return *found;
}

QString shownTitle(const QAction& action) {
    QString text = action.text().replace(QLatin1String("&&"), QLatin1String("&"));
    const qint64 shown = action.icon().cacheKey();
    if (shown == 0) return text;
    for (auto it = icons().cbegin(); it != icons().cend(); ++it)
        if (it.value().cacheKey() == shown) return it.key().section(QLatin1Char('\n'), 0, 0) + QLatin1Char(' ') + text;
    return text;
}

}  // namespace tamsel
