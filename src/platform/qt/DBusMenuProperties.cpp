#include "platform/qt/DBusMenuProperties.h"

#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

// 🔘: GNOME Shell's menus are dark, where ⚫️'s dark grey disc hardly shows.
constexpr std::string_view kStoppedDotOnDarkMenu = "\xF0\x9F\x94\x98 ";

// Exclusive choices show as radio items; the login and favourites-only switches as check boxes.
std::string toggleTypeOf(const MenuItem& item) {
    switch (item.action) {
        case MenuAction::selectProfile:
        case MenuAction::selectRegion:
        case MenuAction::selectIngressLockGroup: return "radio";
        case MenuAction::toggleLogin:
        case MenuAction::toggleFavouritesOnly: return "checkmark";
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

std::string dbusMenuLabel(std::string_view title, LabelReading reading) {
    std::string label;
    label.reserve(title.size() + 4);
    bool marked = false;  // the one '_' the host takes out is there
    for (size_t i = 0; i < title.size(); ++i) {
        const char c = title[i];
        if (c == '_') {
            const bool beforeOther = i + 1 < title.size() && title[i + 1] != '_';
            if (reading == LabelReading::dbusMenu || (beforeOther && !marked)) label += '_';
            marked = marked || beforeOther;
            label += '_';
        } else if (c == '\t') {
            label += ' ';
        } else {
            label += c;
        }
    }
    return label;
}

DBusMenuProperties dbusMenuProperties(const MenuItem& item, LabelReading reading) {
    DBusMenuProperties properties;
    properties.visible = item.visible;
    if (item.separator) {
        properties.separator = true;
        return properties;
    }
    properties.label = dbusMenuLabel(item.title, reading);
    if (item.dot != StateDot::none && reading == LabelReading::gnomeShell) {
        // No icon shows on the instance lines there (they hold submenus): the dot is text,
        // the stopped one as a dark disc in a light ring, which reads on its dark menu.
        properties.label.insert(
            0, item.dot == StateDot::stopped ? kStoppedDotOnDarkMenu : platformWords::dotText(item.dot));
    } else {
        properties.dot = item.dot;
    }
    properties.enabled = item.enabled;
    properties.toggleType = toggleTypeOf(item);
    properties.toggleState = !properties.toggleType.empty() && item.checked ? 1 : 0;
    properties.submenu = item.hasSubmenu();
    properties.shortcut = shortcutOf(item.keyEquivalent);
    return properties;
}

}  // namespace tamsel
