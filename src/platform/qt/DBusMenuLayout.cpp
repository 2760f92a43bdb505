#include "platform/qt/DBusMenuLayout.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <variant>

namespace tamsel {
namespace {

// What a payload names: the same instance (whatever its state), profile, region or group.
std::string identity(const RepresentedObject& object) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& text) const { return "s" + text; }
        std::string operator()(const LockChoice& choice) const {
            return "l" + choice.instanceID + '\n' + choice.groupID.value_or("");
        }
        std::string operator()(const EC2Instance& instance) const { return "i" + instance.id; }
        std::string operator()(const StopBookingChoice& choice) const {
            return "b" + choice.instance.id + '\n' + std::to_string(choice.hours);
        }
    };
    return std::visit(Visitor{}, object);
}

std::string actionKey(const MenuItem& item) {
    return std::to_string(static_cast<int>(item.action)) + ':' + identity(item.representedObject);
}

// The kind of entry `item` is, as far as its place goes.
std::string keyOf(const MenuItem& item) {
    if (item.separator) return "-";
    if (item.hasSubmenu()) {
        // A submenu is known by what it acts on: an instance's by its start entry, the
        // profile menu by its first choice.
        const auto first = std::find_if(item.submenu.begin(), item.submenu.end(), [](const MenuItem& child) {
            return !child.separator && child.action != MenuAction::none;
        });
        return ">" + (first != item.submenu.end() ? actionKey(*first) : std::string());
    }
    if (item.action == MenuAction::none) return "=";
    return "!" + actionKey(item);
}

// For each new key, the index of the old key it is matched with, or -1. Matches keep the
// order of both lists: equal runs at the start and at the end, then, between them, each
// new key takes the first equal old key after the last one taken.
std::vector<long> match(const std::vector<std::string>& old, const std::vector<std::string>& fresh) {
    std::vector<long> matched(fresh.size(), -1);
    size_t head = 0;
    while (head < old.size() && head < fresh.size() && old[head] == fresh[head]) {
        matched[head] = static_cast<long>(head);
        ++head;
    }
    size_t tail = 0;
    while (tail < old.size() - head && tail < fresh.size() - head &&
           old[old.size() - 1 - tail] == fresh[fresh.size() - 1 - tail]) {
        matched[fresh.size() - 1 - tail] = static_cast<long>(old.size() - 1 - tail);
        ++tail;
    }
    std::unordered_map<std::string, std::deque<size_t>> waiting;
    for (size_t i = head; i < old.size() - tail; ++i) waiting[old[i]].push_back(i);
    long last = static_cast<long>(head) - 1;
    for (size_t j = head; j < fresh.size() - tail; ++j) {
        const auto found = waiting.find(fresh[j]);
        if (found == waiting.end()) continue;
        std::deque<size_t>& places = found->second;
        while (!places.empty() && static_cast<long>(places.front()) <= last) places.pop_front();
        if (places.empty()) continue;
        last = static_cast<long>(places.front());
        places.pop_front();
        matched[j] = last;
    }
    return matched;
}

}  // namespace

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
    for (const MenuItem& item : items) keys.push_back(keyOf(item));
    std::vector<std::string> oldKeys;
    if (oldChildren) {
        oldKeys.reserve(oldChildren->size());
        for (int id : *oldChildren) oldKeys.push_back(entries_.at(id).key);
    }
    const std::vector<long> matched = match(oldKeys, keys);

    bool moved = oldKeys.size() != keys.size();
    std::vector<int> children;
    children.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const Entry* before = matched[i] >= 0 ? &entries_.at((*oldChildren)[static_cast<size_t>(matched[i])]) : nullptr;
        moved = moved || matched[i] != static_cast<long>(i);
        Entry entry;
        entry.id = before ? before->id : nextId_++;
        entry.item = &items[i];
        entry.properties = dbusMenuProperties(items[i]);
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

const DBusMenuLayout::Entry* DBusMenuLayout::find(int id) const {
    const auto found = entries_.find(id);
    return found != entries_.end() ? &found->second : nullptr;
}

}  // namespace tamsel
