#pragma once
// The menu model as com.canonical.dbusmenu numbers it: every entry has an id, and a new
// model keeps the id of each entry that stays in its place, so that a host can update
// the menu it shows, even while it is open, instead of building it anew.
//
// An entry stays in its place when its parent stays and, among its siblings, it is matched
// in order with an old entry of the same kind: a separator, a line that only informs, an
// action with the same payload (the same instance, profile, region or group), or a submenu
// whose first action entry is such an action (menuEntryKey and matchInOrder, MenuEdits.h,
// which the Qt menu uses too). So a refresh that only changes texts, marks and enabled
// flags (the last-update time, an instance's state, an entry shown or hidden) keeps every
// id and changes only properties; instances added or gone, error lines in place of the
// list, change the layout of the entry that holds them. Ids are never reused.
// Plain data, no Qt.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/MenuModel.h"
#include "platform/qt/DBusMenuProperties.h"

namespace tamsel {

class DBusMenuLayout {
public:
    // The id of the menu itself, which holds the top-level entries.
    static constexpr int kRoot = 0;

    struct Entry {
        int id = kRoot;
        const MenuItem* item = nullptr;  // the model item; null for the root
        DBusMenuProperties properties;
        std::vector<int> children;
        std::string key;  // what matches it with an entry of the next model
    };

    // What a new model changed.
    struct Changes {
        // The entries whose children were added, removed or reordered: a host reads their
        // layout again. Kept entries keep their ids even then.
        std::vector<int> layoutChanged;
        // Kept entries whose properties changed, with their properties before.
        std::vector<std::pair<int, DBusMenuProperties>> propertiesChanged;

        bool empty() const { return layoutChanged.empty() && propertiesChanged.empty(); }
        // The entries whose layout a host reads again: the root alone when it changed (it
        // holds all the others), else each submenu that changed.
        std::vector<int> layoutParents() const;
    };

    DBusMenuLayout();

    // Takes `menu` as the one shown and tells what changed since the last one.
    Changes update(Menu menu);

    // How the host reads labels; the next update writes them so.
    void setLabelReading(LabelReading reading) { reading_ = reading; }

    // The entry numbered `id`, or null when the shown menu has none (an id of an older
    // layout, which is never given again).
    const Entry* find(int id) const;

private:
    void place(int parent, const std::vector<MenuItem>& items, const std::vector<int>* oldChildren,
               std::unordered_map<int, Entry>& placed, Changes& changes);

    Menu menu_;
    std::unordered_map<int, Entry> entries_;
    int nextId_ = kRoot + 1;
    LabelReading reading_ = LabelReading::dbusMenu;
};

}  // namespace tamsel
