#include "platform/qt/MenuEdits.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <unordered_map>
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

// Whether two payloads name the same thing, as `identity` tells them apart.
bool sameIdentity(const RepresentedObject& a, const RepresentedObject& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        [&b](const auto& value) {
            using Value = std::decay_t<decltype(value)>;
            const auto& other = std::get<Value>(b);
            if constexpr (std::is_same_v<Value, std::monostate>) return true;
            else if constexpr (std::is_same_v<Value, std::string>) return value == other;
            else if constexpr (std::is_same_v<Value, LockChoice>)
                return value.instanceID == other.instanceID && value.groupID.value_or("") == other.groupID.value_or("");
            else if constexpr (std::is_same_v<Value, EC2Instance>) return value.id == other.id;
            else return value.instance.id == other.instance.id && value.hours == other.hours;
        },
        a);
}

std::string actionKey(const MenuItem& item) {
    return std::to_string(static_cast<int>(item.action)) + ':' + identity(item.representedObject);
}

enum class Shape { separator, submenu, line };

Shape shapeOf(const MenuItem& item) {
    if (item.separator) return Shape::separator;
    return item.hasSubmenu() ? Shape::submenu : Shape::line;
}

// A submenu is known by what it acts on: an instance's by its start entry, the profile menu
// by its first choice. Null when it has no action entry.
const MenuItem* firstActionEntry(const MenuItem& item) {
    const auto first = std::find_if(item.submenu.begin(), item.submenu.end(), [](const MenuItem& child) {
        return !child.separator && child.action != MenuAction::none;
    });
    return first != item.submenu.end() ? &*first : nullptr;
}

}  // namespace

std::string menuEntryKey(const MenuItem& item) {
    if (item.separator) return "-";
    if (item.hasSubmenu()) {
        const MenuItem* first = firstActionEntry(item);
        return ">" + (first ? actionKey(*first) : std::string());
    }
    if (item.action == MenuAction::none) return "=";
    return "!" + actionKey(item);
}

bool sameEntryKey(const MenuItem& a, const MenuItem& b) {
    if (shapeOf(a) != shapeOf(b)) return false;
    const MenuItem* keyA = &a;
    const MenuItem* keyB = &b;
    switch (shapeOf(a)) {
        case Shape::separator: return true;
        case Shape::submenu:
            keyA = firstActionEntry(a);
            keyB = firstActionEntry(b);
            if (!keyA || !keyB) return keyA == keyB;
            break;
        case Shape::line:
            if ((a.action == MenuAction::none) != (b.action == MenuAction::none)) return false;
            if (a.action == MenuAction::none) return true;
            break;
    }
    return keyA->action == keyB->action && sameIdentity(keyA->representedObject, keyB->representedObject);
}

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
    return a.separator == b.separator && a.title == b.title && a.bold == b.bold && a.keyEquivalent == b.keyEquivalent &&
           a.enabled == b.enabled && a.checked == b.checked && a.action == b.action && a.hasSubmenu() == b.hasSubmenu();
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
    const auto update = [&](size_t i, size_t j, bool same) {
        if (aligned ? equal[j] : equalEntries(i, j)) return;
        const bool lines = unbuilt(i) || drawn[i]->submenu != next[j].submenu;
        edits.push_back({MenuEdit::Kind::update, at, j, !sameLook(*drawn[i], next[j]), lines, same});
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
