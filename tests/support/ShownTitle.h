#pragma once
// A line's title as a host that shows the state dot as text reads it: the dot's emoji and a
// space, then the title. Tests name instance lines so, as the user sees them.

#include <string>

#include "app/MenuModel.h"

namespace tamsel::test {

inline std::string shownDot(StateDot dot) {
    switch (dot) {
        case StateDot::none: break;
        case StateDot::running: return "🟢 ";
        case StateDot::stopped: return "⚫️ ";
        case StateDot::changing: return "🟡 ";
        case StateDot::other: return "⚪️ ";
    }
    return "";
}

inline std::string shownTitle(const MenuItem& item) { return shownDot(item.dot) + item.title; }

// Gives `item` the title `shown` as the user reads it: a leading dot's emoji and its space
// become the item's dot.
inline void setShownTitle(MenuItem& item, std::string shown) {
    item.dot = StateDot::none;
    for (StateDot dot : {StateDot::running, StateDot::stopped, StateDot::changing, StateDot::other}) {
        if (shown.starts_with(shownDot(dot))) {
            item.dot = dot;
            shown.erase(0, shownDot(dot).size());
            break;
        }
    }
    item.title = std::move(shown);
}

}  // namespace tamsel::test
