#pragma once
// The tray menu exported over D-Bus as com.canonical.dbusmenu, for a StatusNotifier host
// that draws it: each entry of the controller's menu model as given, numbered by
// DBusMenuLayout. A new model that changes texts, marks or enabled flags only goes out as
// ItemsPropertiesUpdated with the same ids, so that an open menu stays open; only a change
// of structure sends LayoutUpdated. Every entry and submenu is exported at once, so a
// host's AboutToShow never has anything to fill.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <functional>

#include "app/MenuModel.h"
#include "platform/qt/DBusMenuLayout.h"
#include "platform/qt/DBusMenuTypes.h"

namespace tamsel {

class DBusMenuExporter final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    using Opening = std::function<void()>;
    using Chosen = std::function<void(const MenuItem&)>;

    // Exports the menu at `path` on `bus`. `opening` is called when the host opens the
    // menu; `chosen`, from the event loop after the host's call, with a copy of the item
    // clicked.
    DBusMenuExporter(QDBusConnection bus, const QString& path, Opening opening, Chosen chosen);
    ~DBusMenuExporter() override;

    // Shows `menu`, titles as given.
    void setMenu(Menu menu);
    // Whether a leading state dot stays in the label as its emoji, for a host that draws
    // no icon on the lines that hold submenus (GNOME's); else it is the entry's icon-data.
    // Set before the first setMenu.
    void setStateDotsInLabels(bool inLabels) { dotsInLabels_ = inLabels; }

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   tamsel::DBusMenuLayoutNode& layout);
    tamsel::DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const tamsel::DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void LayoutUpdated(uint revision, int parent);
    void ItemsPropertiesUpdated(const tamsel::DBusMenuItemPropertiesList& updatedProps,
                                const tamsel::DBusMenuItemPropertyNamesList& removedProps);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenuLayoutNode node(const DBusMenuLayout::Entry& entry, int depth, const QStringList& names) const;
    // Handles one event; false when there is no entry `id`.
    bool handle(int id, const QString& eventId);
    void opened();

    QDBusConnection bus_;
    QString path_;
    Opening opening_;
    Chosen chosen_;
    DBusMenuLayout layout_;
    uint revision_ = 1;
    bool dotsInLabels_ = false;
    QElapsedTimer sinceOpening_;  // since the menu last opened
};

}  // namespace tamsel
