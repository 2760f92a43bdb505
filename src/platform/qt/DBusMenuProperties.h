#pragma once
// How one entry of the menu model shows over com.canonical.dbusmenu, where the
// StatusNotifier host draws it: its label written so that it shows exactly as the title
// holds it, its marks, its shortcut, and its state dot as its icon. Plain data, no
// Qt: the exporter turns it into a D-Bus property map.

#include <string>
#include <string_view>
#include <vector>

#include "app/MenuModel.h"

namespace tamsel {

struct DBusMenuProperties {
    bool separator = false;
    bool visible = true;  // false: in the layout, not shown
    std::string label = {};
    StateDot dot = StateDot::none;  // drawn as the icon
    bool enabled = true;
    std::string toggleType = {};             // "", "checkmark" or "radio"
    int toggleState = 0;                     // with a toggle type: 1 marked, 0 not
    bool submenu = false;                    // children-display "submenu"
    std::vector<std::string> shortcut = {};  // one key combination: modifiers, then the key

    bool operator==(const DBusMenuProperties&) const = default;
};

// How a host turns a label into the text it draws.
enum class LabelReading {
    // dbusmenu's rule: '_' marks the access key, "__" is one underscore.
    dbusMenu,
    // GNOME Shell's AppIndicator extension: only the first '_' before another character is
    // taken out; every other '_' shows as written. It draws no icon on a line that holds a
    // submenu, so an instance line's state dot stays in its label.
    gnomeShell,
};

// `title` as a dbusmenu label that a host reading it so shows as it is, with no access
// key: under dbusmenu's rule every '_' is doubled; for GNOME Shell, the first '_'
// before another character is. A tab, which would split off a shortcut column, shows as a
// space.
std::string dbusMenuLabel(std::string_view title, LabelReading reading = LabelReading::dbusMenu);

// The entry for `item`. An instance line's state dot is its icon, not text in its label:
// hosts draw the dot's emoji in a text font, some as a small monochrome bullet, and the
// painted icon reads alike on every host (but GNOME Shell's, see above).
DBusMenuProperties dbusMenuProperties(const MenuItem& item, LabelReading reading = LabelReading::dbusMenu);

}  // namespace tamsel
