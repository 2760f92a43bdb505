#include "platform/qt/DBusMenuProperties.h"

#include "app/Wording.h"

namespace tamsel {
namespace {

// The leading state dot of `title` followed by its space; empty when it has none.
std::string_view leadingDot(std::string_view title) {
    for (const std::string_view dot :
         {words::kRunningDot, words::kStoppedDot, words::kChangingDot, words::kOtherStateDot})
        if (title.size() > dot.size() && title.substr(0, dot.size()) == dot && title[dot.size()] == ' ') return dot;
    return {};
}

// Exclusive choices show as radio items; the login switch as a check box.
std::string toggleTypeOf(const MenuItem& item) {
    switch (item.action) {
        case MenuAction::selectProfile:
        case MenuAction::selectRegion:
        case MenuAction::selectIngressLockGroup: return "radio";
        case MenuAction::toggleLogin: return "checkmark";
        default: return item.checked ? "checkmark" : "";
    }
}

// Ctrl plus the item's key, as dbusmenu names them; an upper-case letter adds Shift.
std::vector<std::string> shortcutOf(char key) {
    if (key >= 'a' && key <= 'z') return {"Control", std::string(1, key)};
    if (key >= 'A' && key <= 'Z') return {"Control", "Shift", std::string(1, static_cast<char>(key - 'A' + 'a'))};
    if (key >= '0' && key <= '9') return {"Control", std::string(1, key)};
    return {};
}

}  // namespace

std::string dbusMenuLabel(std::string_view title) {
    std::string label;
    label.reserve(title.size() + 4);
    for (const char c : title) {
        if (c == '_') label += "__";
        else if (c == '\t') label += ' ';
        else label += c;
    }
    return label;
}

DBusMenuProperties dbusMenuProperties(const MenuItem& item) {
    DBusMenuProperties properties;
    if (item.separator) {
        properties.separator = true;
        return properties;
    }
    const std::string_view title = item.title;
    const std::string_view dot = leadingDot(title);
    properties.dot = dot;
    properties.label = dbusMenuLabel(dot.empty() ? title : title.substr(dot.size() + 1));
    properties.enabled = item.enabled;
    properties.toggleType = toggleTypeOf(item);
    properties.toggleState = !properties.toggleType.empty() && item.checked ? 1 : 0;
    properties.submenu = item.hasSubmenu();
    properties.shortcut = shortcutOf(item.keyEquivalent);
    return properties;
}

}  // namespace tamsel
