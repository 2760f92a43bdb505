#pragma once
// How one entry of the menu model shows over com.canonical.dbusmenu, where the
// StatusNotifier host draws it: its label written so that it shows exactly as the title
// holds it, its marks, its shortcut, and a leading state dot as its icon. Plain data, no
// Qt: the exporter turns it into a D-Bus property map.

#include <string>
#include <string_view>
#include <vector>

#include "app/MenuModel.h"

namespace tamsel {

struct DBusMenuProperties {
    bool separator = false;
    std::string label = {};
    std::string dot = {};  // the title's leading state dot, drawn as the icon
    bool enabled = true;
    std::string toggleType = {};             // "", "checkmark" or "radio"
    int toggleState = 0;                     // with a toggle type: 1 marked, 0 not
    bool submenu = false;                    // children-display "submenu"
    std::vector<std::string> shortcut = {};  // one key combination: modifiers, then the key

    bool operator==(const DBusMenuProperties&) const = default;
};

// `title` as a dbusmenu label that shows it as it is: a host takes '_' as the access-key
// marker and "__" as one underscore, so every '_' is doubled and no entry has an access
// key. A tab, which would split off a shortcut column, shows as a space.
std::string dbusMenuLabel(std::string_view title);

// The entry for `item`. A title that starts with a state dot gives the dot as `dot` and the
// rest as the label: hosts draw the dot's emoji in a text font, some as a small monochrome
// bullet, and the painted icon reads alike on every host.
DBusMenuProperties dbusMenuProperties(const MenuItem& item);

}  // namespace tamsel
