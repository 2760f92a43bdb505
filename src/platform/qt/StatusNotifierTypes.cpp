#include "platform/qt/StatusNotifierTypes.h"

#include <QDBusMetaType>
#include <QImage>
#include <QtEndian>
#include <algorithm>

namespace tamsel {

void registerStatusNotifierTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusImage>();
        qDBusRegisterMetaType<DBusImageList>();
        qDBusRegisterMetaType<DBusToolTip>();
        // QtDBus finds the types of properties by the names written in them.
        qRegisterMetaType<DBusImageList>("tamsel::DBusImageList");
        return true;
    }();
    (void)registered;
}

DBusImageList dbusImages(const QIcon& icon) {
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32),
                 QSize(44, 44), QSize(48, 48), QSize(64, 64)};
    DBusImageList images;
    for (const QSize& size : sizes) {
        // Each image at its own size in pixels: at the screen's scale (QT_SCALE_FACTOR=2)
        // the icon would hand out every size doubled, scaled from the nearest it has.
        const QImage image = icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull() || std::any_of(images.cbegin(), images.cend(), [&](const DBusImage& drawn) {
                return drawn.width == image.width() && drawn.height == image.height();
            }))
            continue;
        DBusImage out{image.width(), image.height(), QByteArray(image.width() * image.height() * 4, '\0')};
        auto* pixel = reinterpret_cast<uchar*>(out.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x, pixel += 4) qToBigEndian(line[x], pixel);
        }
        images.append(out);
    }
    return images;
}

// Qt's D-Bus (de)marshalling operators return the argument they were given, as Qt calls them.
// NOLINTBEGIN(bugprone-return-const-ref-from-parameter)
QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image) {
    argument.beginStructure();
    argument << image.width << image.height << image.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image) {
    argument.beginStructure();
    argument >> image.width >> image.height >> image.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.images << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.images >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

// NOLINTEND(bugprone-return-const-ref-from-parameter)

}  // namespace tamsel
