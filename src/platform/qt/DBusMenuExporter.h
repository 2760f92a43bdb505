#pragma once
// The tray menu exported over D-Bus as com.canonical.dbusmenu, for a StatusNotifier host
// that draws it: each entry of the controller's menu model as given, numbered by
// DBusMenuLayout. A new model that changes texts, marks, enabled flags or which entries
// are shown only goes out as ItemsPropertiesUpdated with the same ids, so that an open
// menu stays open (some hosts build every submenu anew on LayoutUpdated); only a change of
// structure sends LayoutUpdated, for each entry whose children changed. Every entry and
// submenu is exported at once, so a host's AboutToShow never has anything to fill.
// For a host that places its menu once answered and grows it in place later (KDE Plasma's
// tray), the answer to the root's AboutToShow can wait for the first list while the menu
// stands in for it (a placeholder line), a few seconds at most: the menu then opens at its
// full size, not grown past the screen's edges. (LXQt's panel gives up waiting after about
// 3 s and opens it anyway.)

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusContext>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QList>
#include <QStringList>
#include <QTimer>
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
    // How the host reads labels (DBusMenuProperties.h); takes effect with the next menu.
    void setLabelReading(LabelReading reading) { layout_.setLabelReading(reading); }
    // Whether an opening waits for the first list (see above); it does not at first.
    void setOpeningWaitsForList(bool waits) { openingWaits_ = waits; }

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }
    // How many times a host has read the layout so far.
    unsigned layoutReads() const { return layoutReads_; }

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
    void answerHeldOpenings();

    QDBusConnection bus_;
    QString path_;
    Opening opening_;
    Chosen chosen_;
    DBusMenuLayout layout_;
    uint revision_ = 1;
    unsigned layoutReads_ = 0;
    QElapsedTimer sinceOpening_;  // since the menu last opened
    bool openingWaits_ = false;
    bool placeholder_ = false;          // the menu stands in for the first list
    QList<QDBusMessage> heldOpenings_;  // AboutToShow calls answered when the list comes
    QTimer holdLimit_;
};

}  // namespace tamsel
