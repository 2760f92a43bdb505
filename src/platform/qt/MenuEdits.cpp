#include "platform/qt/MenuEdits.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <variant>

namespace tamsel {
namespace {

enum class Shape { separator, submenu, line };

Shape shapeOf(const MenuItem& item) {
    if (item.separator) return Shape::separator;
    return item.hasSubmenu() ? Shape::submenu : Shape::line;
}

// An entry's key in parts, so that two keys compare without being built as text: its shape,
// and for an entry that acts, its action and what its payload names (the same instance
// whatever its state, profile, region, group or booking).
struct EntryKey {
    char shape = '=';  // '-' separator, '>' submenu, '!' action line, '=' plain line
    MenuAction action = MenuAction::none;
    std::size_t payload = 0;   // which kind of payload
    std::string_view name{};   // the instance, profile, region or text
    std::string_view group{};  // a lock choice's group
    int hours = 0;             // a booking's hours

    bool operator==(const EntryKey&) const = default;
};

// One overload per payload type, none generic: a new type without its own key does not
// compile (an empty key would let entries of two instances share an id).
struct KeyOfPayload {
    EntryKey& key;
    void operator()(std::monostate) const {}
    void operator()(const std::string& text) const { key.name = text; }
    void operator()(const LockChoice& choice) const {
        key.name = choice.instanceID;
        if (choice.groupID) key.group = *choice.groupID;
    }
    void operator()(const EC2Instance& instance) const { key.name = instance.id; }
    void operator()(const StopBookingChoice& choice) const {
        key.name = choice.instance.id;
        key.hours = choice.hours;
    }
    // What the ssh entry carries comes and goes with the state (hidden, then the command): it
    // is known by its place in the instance's submenu, as the copy entries are.
    void operator()(const SSHCommand&) const {}
    template <typename Other>
    void operator()(const Other&) const = delete;
};

EntryKey entryKeyOf(const MenuItem& item) {
    const MenuItem* acting = &item;
    char shape = '!';
    switch (shapeOf(item)) {
        case Shape::separator: return {.shape = '-'};
        case Shape::submenu: {
            // A submenu is known by what it acts on: an instance's by its start entry, the
            // profile menu by its first choice.
            const auto first = std::find_if(item.submenu.begin(), item.submenu.end(), [](const MenuItem& child) {
                return !child.separator && child.action != MenuAction::none;
            });
            if (first == item.submenu.end()) return {.shape = '>'};
            acting = &*first;
            shape = '>';
            break;
        }
        case Shape::line:
            if (item.action == MenuAction::none) return {.shape = '='};
            break;
    }
    EntryKey key{.shape = shape, .action = acting->action, .payload = acting->representedObject.index()};
    // What a copy entry carries (an address) comes and goes with the state: it is known by
    // its place among the copy entries.
    if (acting->action == MenuAction::copyText) return key;
    std::visit(KeyOfPayload{key}, acting->representedObject);
    return key;
}

}  // namespace

std::string menuEntryKey(const MenuItem& item) {
    const EntryKey key = entryKeyOf(item);
    std::string text(1, key.shape);
    if (key.action == MenuAction::none) return text;
    text += std::to_string(static_cast<int>(key.action)) + ':' + std::to_string(key.payload) + ':';
    text.append(key.name) += '\n';
    text.append(key.group) += '\n';
    return text + std::to_string(key.hours);
}

bool sameEntryKey(const MenuItem& a, const MenuItem& b) { return entryKeyOf(a) == entryKeyOf(b); }

std::vector<long> matchInOrder(const std::vector<std::string>& old, const std::vector<std::string>& fresh) {
    // Equal runs at the start and at the end, then, between them, each new key takes the
    // first equal old key after the last one taken.
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
    // For each key, the first old place not yet taken; the places of one key are chained
    // in order. One map entry per key, none per place: a new list has a thousand keys.
    constexpr size_t kNone = static_cast<size_t>(-1);
    std::unordered_map<std::string_view, size_t> first;
    first.reserve(old.size() - head - tail);
    std::vector<size_t> nextSame(old.size(), kNone);
    for (size_t i = old.size() - tail; i-- > head;) {
        const auto [place, added] = first.try_emplace(old[i], i);
        if (added) continue;
        nextSame[i] = place->second;
        place->second = i;
    }
    long last = static_cast<long>(head) - 1;
    for (size_t j = head; j < fresh.size() - tail; ++j) {
        const auto found = first.find(fresh[j]);
        if (found == first.end()) continue;
        size_t& place = found->second;
        while (place != kNone && static_cast<long>(place) <= last) place = nextSame[place];
        if (place == kNone) continue;
        last = static_cast<long>(place);
        place = nextSame[place];
        matched[j] = last;
    }
    return matched;
}

bool sameLook(const MenuItem& a, const MenuItem& b) {
    return a.separator == b.separator && a.dot == b.dot && a.title == b.title && a.bold == b.bold &&
           a.keyEquivalent == b.keyEquivalent && a.enabled == b.enabled && a.checked == b.checked &&
           a.visible == b.visible && a.action == b.action && a.hasSubmenu() == b.hasSubmenu();
}

std::vector<MenuEdit> menuEdits(const std::vector<const MenuItem*>& drawn, const std::vector<bool>& linesBuilt,
                                const Menu& next) {
    std::vector<MenuEdit> edits;
    // An entry whose submenu lines are not built is never equal: whatever its lines, it
    // takes its new item. Comparing the lines of a thousand instances would cost more.
    const auto unbuilt = [&](size_t i) { return drawn[i]->hasSubmenu() && !linesBuilt[i]; };
    const auto equalEntries = [&](size_t i, size_t j) { return !unbuilt(i) && *drawn[i] == next[j]; };
    // The usual refresh: as many entries, most of them equal. Compared place by place,
    // with no keys built.
    bool aligned = drawn.size() == next.size();
    std::vector<bool> equal(aligned ? next.size() : 0);
    for (size_t i = 0; aligned && i < next.size(); ++i) {
        equal[i] = equalEntries(i, i);
        aligned = equal[i] || sameEntryKey(*drawn[i], next[i]);
    }

    std::vector<long> matched(next.size(), -1);
    if (aligned) {
        for (size_t i = 0; i < next.size(); ++i) matched[i] = static_cast<long>(i);
    } else {
        std::vector<std::string> oldKeys;
        oldKeys.reserve(drawn.size());
        for (const MenuItem* item : drawn) oldKeys.push_back(menuEntryKey(*item));
        std::vector<std::string> keys;
        keys.reserve(next.size());
        for (const MenuItem& item : next) keys.push_back(menuEntryKey(item));
        matched = matchInOrder(oldKeys, keys);
    }

    size_t at = 0;   // in the list as edited so far
    size_t old = 0;  // the next entry of `drawn` not yet dealt with
    const auto update = [&](size_t i, size_t j, bool actsOnSame) {
        if (aligned ? equal[j] : equalEntries(i, j)) return;
        const bool submenuChanged = unbuilt(i) || drawn[i]->submenu != next[j].submenu;
        edits.push_back({MenuEdit::Kind::update, at, j, !sameLook(*drawn[i], next[j]), submenuChanged, actsOnSame});
    };
    size_t j = 0;
    while (j < next.size() || old < drawn.size()) {
        // The next matched pair, or the ends of both lists.
        size_t nextMatch = j;
        while (nextMatch < next.size() && matched[nextMatch] < 0) ++nextMatch;
        const size_t oldEnd = nextMatch < next.size() ? static_cast<size_t>(matched[nextMatch]) : drawn.size();
        // Between matches: entries of the same shape are paired in order, the rest go or come.
        while (old < oldEnd || j < nextMatch) {
            if (old < oldEnd && j < nextMatch && shapeOf(*drawn[old]) == shapeOf(next[j])) {
                update(old++, j++, false);
                ++at;
            } else if (old < oldEnd && (j == nextMatch || oldEnd - old >= nextMatch - j)) {
                edits.push_back({MenuEdit::Kind::remove, at, 0});
                ++old;
            } else {
                edits.push_back({MenuEdit::Kind::insert, at, j++});
                ++at;
            }
        }
        if (nextMatch == next.size()) break;
        update(old++, j++, true);
        ++at;
    }
    return edits;
}

std::vector<MenuEdit> menuEdits(const Menu& drawn, const Menu& next) {
    std::vector<const MenuItem*> items;
    items.reserve(drawn.size());
    for (const MenuItem& item : drawn) items.push_back(&item);
    return menuEdits(items, std::vector<bool>(items.size(), true), next);
}

}  // namespace tamsel
