#pragma once
// The tray menu as plain data: an ordered list of items with submenus. Built by the
// controller, drawn by the platform adapter.

#include <string>
#include <variant>
#include <vector>

#include "bridge/EC2Instance.h"

namespace tamsel {

// What choosing an item does. Every action goes to the controller; `terminate` quits.
enum class MenuAction {
    none,
    startInstance,
    stopInstance,
    selectProfile,
    selectRegion,
    selectIngressLockGroup,
    toggleLogin,
    showErrorDetail,
    reloadNow,
    terminate,
};

// The value an item carries to its action, taken when the menu is built.
using RepresentedObject = std::variant<std::monostate, std::string, std::vector<std::string>, EC2Instance>;

struct MenuItem {
    bool separator = false;
    std::string title;
    bool bold = false;               // drawn in the bold system font (the header)
    MenuAction action = MenuAction::none;
    char keyEquivalent = '\0';       // a lower-case letter used with Ctrl, or none
    bool enabled = false;
    bool checked = false;
    RepresentedObject representedObject;
    bool hasSubmenu = false;
    std::vector<MenuItem> submenu;

    static MenuItem separatorItem() {
        MenuItem item;
        item.separator = true;
        return item;
    }

    bool operator==(const MenuItem&) const = default;
};

using Menu = std::vector<MenuItem>;

}  // namespace tamsel
