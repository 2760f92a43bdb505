#include "platform/qt/DBusMenuLayout.h"

#include <algorithm>
#include <utility>

#include "platform/qt/MenuEdits.h"

namespace tamsel {

DBusMenuLayout::DBusMenuLayout() {
    Entry root;
    root.properties.submenu = true;
    entries_.emplace(kRoot, std::move(root));
}

DBusMenuLayout::Changes DBusMenuLayout::update(Menu menu) {
    // The old model lives until the new entries are placed; entries point into the new one.
    const Menu old = std::exchange(menu_, std::move(menu));
    Changes changes;
    std::unordered_map<int, Entry> placed;
    placed.reserve(entries_.size());
    Entry root = entries_.at(kRoot);
    const std::vector<int> oldTop = std::move(root.children);
    root.children.clear();
    placed.emplace(kRoot, std::move(root));
    place(kRoot, menu_, &oldTop, placed, changes);
    entries_ = std::move(placed);
    return changes;
}

void DBusMenuLayout::place(int parent, const std::vector<MenuItem>& items, const std::vector<int>* oldChildren,
                           std::unordered_map<int, Entry>& placed, Changes& changes) {
    std::vector<std::string> keys;
    keys.reserve(items.size());
    for (const MenuItem& item : items) keys.push_back(menuEntryKey(item));
    std::vector<std::string> oldKeys;
    if (oldChildren) {
        oldKeys.reserve(oldChildren->size());
        for (int id : *oldChildren) oldKeys.push_back(entries_.at(id).key);
    }
    const std::vector<long> matched = matchInOrder(oldKeys, keys);

    bool moved = oldKeys.size() != keys.size();
    std::vector<int> children;
    children.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const Entry* before = matched[i] >= 0 ? &entries_.at((*oldChildren)[static_cast<size_t>(matched[i])]) : nullptr;
        moved = moved || matched[i] != static_cast<long>(i);
        Entry entry;
        entry.id = before ? before->id : nextId_++;
        entry.item = &items[i];
        entry.properties = dbusMenuProperties(items[i], reading_);
        entry.key = std::move(keys[i]);
        if (before && before->properties != entry.properties)
            changes.propertiesChanged.emplace_back(entry.id, before->properties);
        const int id = entry.id;
        children.push_back(id);
        placed.emplace(id, std::move(entry));
        if (items[i].hasSubmenu()) place(id, items[i].submenu, before ? &before->children : nullptr, placed, changes);
    }
    // Only the layout of an entry that was there before changes; a new one comes whole
    // with the layout of the entry that holds it.
    if (oldChildren && moved) changes.layoutChanged.push_back(parent);
    placed.at(parent).children = std::move(children);
}

std::vector<int> DBusMenuLayout::Changes::layoutParents() const {
    if (std::find(layoutChanged.begin(), layoutChanged.end(), kRoot) != layoutChanged.end()) return {kRoot};
    return layoutChanged;
}

const DBusMenuLayout::Entry* DBusMenuLayout::find(int id) const {
    const auto found = entries_.find(id);
    return found != entries_.end() ? &found->second : nullptr;
}

}  // namespace tamsel
