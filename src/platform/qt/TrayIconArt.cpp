#include "platform/qt/TrayIconArt.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStandardPaths>

namespace tamsel {
namespace {

// The sizes the icons are drawn in (assets/icons), each on whole pixels: trays ask for 16
// to 48 pixels, and twice that on a HiDPI screen (44 for the usual 22).
constexpr int kSizes[] = {16, 22, 24, 32, 44, 48, 64};

// The compiled-in art of an icon with the error badge: "MenuBarIconFailed",
// "MenuBarIconRunningFailed".
std::string badgedArt(const std::string& name) { return name + "Failed"; }

// A red disc in the lower right corner with the title's text on it, white-ringed so it
// stands out on any panel.
QPixmap withBadge(const QPixmap& base, int size, const QString& text) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(QRect(0, 0, size, size), base);
    const qreal diameter = size * 0.6;
    const QRectF disc(size - diameter - 0.5, size - diameter - 0.5, diameter, diameter);
    painter.setPen(QPen(QColor(0xf4, 0xf4, 0xf4), qMax(1.0, size / 16.0)));
    painter.setBrush(QColor(0xd0, 0x21, 0x21));
    painter.drawEllipse(disc);
    QFont font;
    font.setBold(true);
    font.setPixelSize(qMax(7, int(diameter * 0.8)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter, text);
    return pixmap;
}

// Text as an icon: light letters with a dark rim, legible on light and dark panels.
QPixmap textPixmap(int size, const QString& text) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font;
    font.setBold(true);
    font.setPixelSize(size);
    // Shrink until the text fits the square.
    while (font.pixelSize() > 6 && QFontMetricsF(font).horizontalAdvance(text) > size - 1)
        font.setPixelSize(font.pixelSize() - 1);
    QPainterPath path;
    const QFontMetricsF metrics(font);
    const qreal x = (size - metrics.horizontalAdvance(text)) / 2;
    const qreal y = (size + metrics.capHeight()) / 2;
    path.addText(x, y, font, text);
    painter.setPen(QPen(QColor(0x3b, 0x3b, 0x3b), qMax(1.0, size / 12.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
    painter.drawPath(path);
    return pixmap;
}

}  // namespace

QIcon bundledIcon(const std::string& name) {
    QIcon icon;
    for (int size : kSizes) {
        const QString file = QString(":/icons/%1-%2.png").arg(QString::fromStdString(name)).arg(size);
        // Read by Qt's own PNG reader: guessing the format (as QIcon::addFile and
        // QPixmap::load do) loads every image-format plugin, for good.
        QImageReader reader(file, "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon trayIcon(const StatusButton& button, const QIcon& image) {
    const QString title = QString::fromStdString(button.title).trimmed();
    QIcon icon;
    if (image.isNull()) {
        const QString text = title.isEmpty() ? QStringLiteral("EC2") : title;
        for (int size : kSizes) icon.addPixmap(textPixmap(size, text));
        return icon;
    }
    if (title.isEmpty()) return image;
    // Pixels for pixels, whatever the screen's scale: each size is a size in the list.
    for (int size : kSizes) icon.addPixmap(withBadge(image.pixmap(QSize(size, size), 1.0), size, title));
    return icon;
}

QIcon trayIcon(const StatusButton& button) {
    if (!QString::fromStdString(button.title).trimmed().isEmpty()) {
        // The badge drawn on the grid of each size, as the theme's orvane-failed icons.
        QIcon badged = bundledIcon(badgedArt(button.imageName));
        if (!badged.isNull()) return badged;
    }
    QIcon image = bundledIcon(button.imageName);
    if (image.isNull()) image = QIcon::fromTheme("network-server");
    return trayIcon(button, image);
}

QString themeIconName(const StatusButton& button) {
    const bool running = button.imageName == "MenuBarIconRunning";
    if (!QString::fromStdString(button.title).trimmed().isEmpty())
        return running ? QStringLiteral("orvane-running-failed") : QStringLiteral("orvane-failed");
    return running ? QStringLiteral("orvane-running") : QStringLiteral("orvane-idle");
}

std::optional<QString> themeIconFolder() {
    const QString icon = QStringLiteral("hicolor/scalable/apps/orvane-idle.svg");
    if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation, "icons/" + icon).isEmpty()) return QString();
    QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/icons");
    if (QFile::exists(beside + "/" + icon)) return beside;
    return std::nullopt;
}

}  // namespace tamsel
