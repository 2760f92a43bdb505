#include "platform/qt/DBusMenuExporter.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <algorithm>
#include <utility>

#include "platform/qt/StateDot.h"

namespace tamsel {
namespace {

// A host tells of one opening twice (AboutToShow, then the "opened" event), or once.
constexpr qint64 kSameOpeningMs = 1000;

// How long an opening waits for the first list at most: beyond it the host opens the
// placeholder (hosts give up on an answer after 25 s).
constexpr auto kHoldForListLimit = std::chrono::seconds(8);

// The D-Bus properties of an entry; with `names`, only those.
QVariantMap propertyMap(const DBusMenuProperties& properties, const QStringList& names = {}) {
    QVariantMap map;
    if (properties.separator) {
        map.insert("type", QStringLiteral("separator"));
    } else {
        map.insert("label", QString::fromStdString(properties.label));
        map.insert("enabled", properties.enabled);
        if (properties.dot != StateDot::none) map.insert("icon-data", stateDotPng(properties.dot));
        if (!properties.toggleType.empty()) {
            map.insert("toggle-type", QString::fromStdString(properties.toggleType));
            map.insert("toggle-state", properties.toggleState);
        }
        if (!properties.shortcut.empty()) {
            QStringList keys;
            for (const std::string& key : properties.shortcut) keys.append(QString::fromStdString(key));
            map.insert("shortcut", QVariant::fromValue(DBusMenuShortcut{keys}));
        }
    }
    map.insert("visible", properties.visible);
    if (properties.submenu) map.insert("children-display", QStringLiteral("submenu"));
    if (names.isEmpty()) return map;
    QVariantMap wanted;
    for (const QString& name : names)
        if (map.contains(name)) wanted.insert(name, map.value(name));
    return wanted;
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(QDBusConnection bus, const QString& path, Opening opening, Chosen chosen)
    : bus_(std::move(bus)), path_(path), opening_(std::move(opening)), chosen_(std::move(chosen)) {
    registerDBusMenuTypes();
    bus_.registerObject(
        path_, this,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties);
    holdLimit_.setSingleShot(true);
    holdLimit_.setInterval(kHoldForListLimit);
    connect(&holdLimit_, &QTimer::timeout, this, &DBusMenuExporter::answerHeldOpenings);
}

DBusMenuExporter::~DBusMenuExporter() { bus_.unregisterObject(path_); }

QString DBusMenuExporter::textDirection() const {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

void DBusMenuExporter::setMenu(Menu menu) {
    placeholder_ = std::ranges::any_of(menu, &MenuItem::placeholder);
    const DBusMenuLayout::Changes changes = layout_.update(std::move(menu));
    if (!placeholder_ && !heldOpenings_.isEmpty()) {
        // After the signals below: the host reads the new layout when answered.
        QMetaObject::invokeMethod(this, &DBusMenuExporter::answerHeldOpenings, Qt::QueuedConnection);
    }
    if (changes.empty()) return;
    ++revision_;
    if (!changes.propertiesChanged.empty()) {
        DBusMenuItemPropertiesList updated;
        DBusMenuItemPropertyNamesList removed;
        for (const auto& [id, before] : changes.propertiesChanged) {
            const DBusMenuLayout::Entry* entry = layout_.find(id);
            const QVariantMap now = propertyMap(entry->properties);
            updated.append({id, now});
            QStringList gone;
            for (const QString& name : propertyMap(before).keys())
                if (!now.contains(name)) gone.append(name);
            if (!gone.isEmpty()) removed.append({id, gone});
        }
        emit ItemsPropertiesUpdated(updated, removed);
    }
    for (int parent : changes.layoutParents()) emit LayoutUpdated(revision_, parent);
}

DBusMenuLayoutNode DBusMenuExporter::node(const DBusMenuLayout::Entry& entry, int depth,
                                          const QStringList& names) const {
    DBusMenuLayoutNode result{entry.id, propertyMap(entry.properties, names), {}};
    if (depth == 0) return result;
    result.children.reserve(static_cast<qsizetype>(entry.children.size()));
    for (int child : entry.children) result.children.append(node(*layout_.find(child), depth - 1, names));
    return result;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutNode& layout) {
    const DBusMenuLayout::Entry* entry = layout_.find(parentId);
    if (!entry) {
        if (calledFromDBus()) sendErrorReply(QDBusError::InvalidArgs, QString("No menu entry %1").arg(parentId));
        return revision_;
    }
    layout = node(*entry, recursionDepth < 0 ? -1 : recursionDepth, propertyNames);
    if (calledFromDBus()) ++layoutReads_;
    return revision_;
}

DBusMenuItemPropertiesList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                const QStringList& propertyNames) {
    DBusMenuItemPropertiesList result;
    for (int id : ids)
        if (const DBusMenuLayout::Entry* entry = layout_.find(id))
            result.append({id, propertyMap(entry->properties, propertyNames)});
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    const DBusMenuLayout::Entry* entry = layout_.find(id);
    const QVariantMap properties = entry ? propertyMap(entry->properties, {name}) : QVariantMap();
    if (!properties.contains(name)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, QString("No property %1 of menu entry %2").arg(name).arg(id));
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(properties.value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!handle(id, eventId) && calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, QString("No menu entry %1").arg(id));
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events) {
    QList<int> unknown;
    for (const DBusMenuEvent& event : events)
        if (!handle(event.id, event.eventId)) unknown.append(event.id);
    return unknown;
}

bool DBusMenuExporter::handle(int id, const QString& eventId) {
    const DBusMenuLayout::Entry* entry = layout_.find(id);
    if (!entry) return false;  // an entry of an older layout: nothing happens
    if (eventId == QLatin1String("opened") && id == DBusMenuLayout::kRoot) {
        if (!sinceOpening_.isValid() || sinceOpening_.elapsed() > kSameOpeningMs) opened();
    } else if (eventId == QLatin1String("clicked") && entry->item) {
        const MenuItem& item = *entry->item;
        if (item.separator || item.hasSubmenu() || !item.enabled || !item.visible || item.action == MenuAction::none)
            return true;
        // After this call has been answered: the choice may open a modal alert.
        const auto choose = [this, chosen = MenuItem(item)] { chosen_(chosen); };
        QMetaObject::invokeMethod(this, choose, Qt::QueuedConnection);
    }
    return true;
}

void DBusMenuExporter::opened() {
    sinceOpening_.start();
    if (opening_) opening_();
}

bool DBusMenuExporter::AboutToShow(int id) {
    if (id != DBusMenuLayout::kRoot) return false;  // submenus are exported filled
    const uint before = revision_;
    opened();
    if (openingWaits_ && placeholder_ && calledFromDBus()) {
        setDelayedReply(true);
        heldOpenings_.append(message());
        if (!holdLimit_.isActive()) holdLimit_.start();
        return false;
    }
    return revision_ != before;
}

void DBusMenuExporter::answerHeldOpenings() {
    holdLimit_.stop();
    // "Update needed": the layout changed while the host waited.
    for (const QDBusMessage& call : std::exchange(heldOpenings_, {})) bus_.send(call.createReply(QVariant(true)));
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    QList<int> updatesNeeded;
    for (int id : ids) {
        if (!layout_.find(id)) idErrors.append(id);
        else if (AboutToShow(id)) updatesNeeded.append(id);
    }
    return updatesNeeded;
}

}  // namespace tamsel
