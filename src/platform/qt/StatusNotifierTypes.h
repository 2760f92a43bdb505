#pragma once
// The D-Bus types of org.kde.StatusNotifierItem that QtDBus does not know: an image
// (iiay: width, height, ARGB32 pixels in network byte order), a list of them, and a
// tooltip (sa(iiay)ss: icon name, images, title, text). Register them once before use.

#include <QByteArray>
#include <QDBusArgument>
#include <QIcon>
#include <QList>
#include <QMetaType>
#include <QString>

namespace tamsel {

struct DBusImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using DBusImageList = QList<DBusImage>;

struct DBusToolTip {
    QString iconName;
    DBusImageList images;
    QString title;
    QString text;
};

// Registers the types above with Qt's meta-type system and QtDBus; safe to call again.
void registerStatusNotifierTypes();

// `icon` in each size it has (or the usual tray sizes), as a host reads it.
DBusImageList dbusImages(const QIcon& icon);

QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& toolTip);

}  // namespace tamsel

Q_DECLARE_METATYPE(tamsel::DBusImage)
Q_DECLARE_METATYPE(tamsel::DBusToolTip)
