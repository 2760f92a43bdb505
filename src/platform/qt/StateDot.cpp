#include "platform/qt/StateDot.h"

#include <QBuffer>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <array>
#include <optional>
#include <utility>

namespace tamsel {
namespace {

// Each dot's fill and rim. The dark and the light disc have a rim of the other shade, the
// coloured ones a darker rim of their own colour: each stands out from a white and from a
// near-black menu. The dark one is a dark grey, not black, and its rim a mid grey: on a
// near-black menu a black disc in a light ring reads as a hollow (white) one.
struct Look {
    StateDot dot;
    QRgb fill;
    QRgb rim;
};
constexpr std::array<Look, 4> kLooks = {{
    {StateDot::running, qRgb(0x2e, 0xb8, 0x4b), qRgb(0x1a, 0x75, 0x2e)},
    {StateDot::stopped, qRgb(0x50, 0x50, 0x50), qRgb(0xa8, 0xa8, 0xa8)},
    {StateDot::changing, qRgb(0xf7, 0xc2, 0x1b), qRgb(0x9e, 0x76, 0x00)},
    {StateDot::other, qRgb(0xf5, 0xf5, 0xf5), qRgb(0x70, 0x70, 0x70)},
}};

// Side of the PNG given to StatusNotifier hosts, which scale it to their menus' icon size.
constexpr int kPngSide = 32;

// The disc of `look` centred in an image of `size` device pixels, about four fifths of
// its shorter side across, like the emoji it stands for.
QImage painted(const Look& look, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const qreal side = qMin(size.width(), size.height());
    const qreal across = side * 0.8;
    const qreal rim = qMax(1.0, across / 10.0);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(look.rim), rim));
    painter.setBrush(QColor(look.fill));
    const QRectF box((size.width() - across + rim) / 2.0, (size.height() - across + rim) / 2.0, across - rim,
                     across - rim);
    painter.drawEllipse(box);
    return image;
}

// Paints the disc at the size asked for, each size once.
class DotEngine final : public QIconEngine {
public:
    explicit DotEngine(const Look& look) : look_(look) {}

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
        QPixmap picture = QPixmap::fromImage(painted(look_, size));
        drawn_.insert(key, picture);
        return picture;
    }

    Look look_;
    QHash<quint64, QPixmap> drawn_;
};

// The place of `dot` in kLooks; absent for none.
std::optional<std::size_t> placeOf(StateDot dot) {
    for (std::size_t i = 0; i < kLooks.size(); ++i)
        if (kLooks[i].dot == dot) return i;
    return std::nullopt;
}

}  // namespace

QIcon stateDotIcon(StateDot dot) {
    // Made once each, looked up for every line drawn.
    static const std::array<QIcon, kLooks.size()> icons = [] {
        std::array<QIcon, kLooks.size()> made;
        for (std::size_t i = 0; i < kLooks.size(); ++i) made[i] = QIcon(new DotEngine(kLooks[i]));
        return made;
    }();
    const auto place = placeOf(dot);
    return place ? icons[*place] : QIcon();
}

QByteArray stateDotPng(StateDot dot) {
    static const std::array<QByteArray, kLooks.size()> pngs = [] {
        std::array<QByteArray, kLooks.size()> made;
        for (std::size_t i = 0; i < kLooks.size(); ++i) {
            QBuffer buffer(&made[i]);
            buffer.open(QIODevice::WriteOnly);
            painted(kLooks[i], QSize(kPngSide, kPngSide)).save(&buffer, "PNG");
        }
        return made;
    }();
    const auto place = placeOf(dot);
    return place ? pngs[*place] : QByteArray();
}

}  // namespace tamsel
