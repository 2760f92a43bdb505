#pragma once
// The D-Bus types of com.canonical.dbusmenu that QtDBus does not know: a layout node
// (ia{sv}av), an entry's properties (ia{sv}), the names of removed properties (ias), an
// event of a group (isvu) and a shortcut (aas). Register them once before use.

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace tamsel {

struct DBusMenuLayoutNode {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutNode> children;
};

struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

struct DBusMenuItemPropertyNames {
    int id = 0;
    QStringList names;
};
using DBusMenuItemPropertyNamesList = QList<DBusMenuItemPropertyNames>;

struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

// Each key combination: its modifiers ("Control", "Shift", …), then its key.
using DBusMenuShortcut = QList<QStringList>;

// Registers the types above with Qt's meta-type system and QtDBus; safe to call again.
void registerDBusMenuTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutNode& node);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutNode& node);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemPropertyNames& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemPropertyNames& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

}  // namespace tamsel

Q_DECLARE_METATYPE(tamsel::DBusMenuLayoutNode)
Q_DECLARE_METATYPE(tamsel::DBusMenuItemProperties)
Q_DECLARE_METATYPE(tamsel::DBusMenuItemPropertyNames)
Q_DECLARE_METATYPE(tamsel::DBusMenuEvent)
