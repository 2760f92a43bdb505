#pragma once
// The tray menu as plain data: an ordered list of items with submenus. Built by the
// controller, drawn by the platform adapter.

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/SSHCommand.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

// What choosing an item does. Every action goes to the controller; `terminate` quits.
enum class MenuAction {
    none,
    startInstance,
    stopInstance,
    bookStop,           // books the stop of a running instance some hours from now
    cancelStopBooking,  // drops the booked stop of the instance whose id the entry carries
    selectProfile,
    selectRegion,
    selectIngressLockGroup,
    copyText,    // puts the text the entry carries on the clipboard
    connectSSH,  // opens a terminal running the ssh command the entry carries
    toggleLogin,
    toggleFavourite,       // marks the instance whose id the entry carries as a favourite, or no more
    toggleFavouritesOnly,  // shows the favourites alone, or the whole list again
    showErrorDetail,
    ssoLogin,      // runs "aws sso login" for the current profile
    sweepRegions,  // counts the running instances of the other regions
    reloadNow,
    terminate,
};

// Instance id to the security-group id locked at each start.
using IngressLockGroups = std::map<std::string, std::string>;

// What an entry of an instance's lock submenu carries: the instance, and the group to
// lock at its starts (absent: none).
struct LockChoice {
    std::string instanceID;
    std::optional<std::string> groupID;

    bool operator==(const LockChoice&) const = default;
};

// What an entry of an instance's booking submenu carries: the instance, and how long from
// the choice it is to be stopped.
struct StopBookingChoice {
    EC2Instance instance;
    int hours = 0;

    bool operator==(const StopBookingChoice&) const = default;
};

// The value an item carries to its action, taken when the menu is built.
using RepresentedObject =
    std::variant<std::monostate, std::string, LockChoice, EC2Instance, StopBookingChoice, SSHCommand>;

// Where a name from outside (an instance's, a profile's) stands in an item's title, in
// bytes of the title. Only that part may be shortened to fit a line; the product's own
// words around it always show whole.
struct NameSpan {
    std::size_t start = 0;
    std::size_t length = 0;

    bool operator==(const NameSpan&) const = default;
};

// The coloured dot an instance line starts with, for its state; each host draws it in its
// own way before the title (an icon, or an emoji in the label).
enum class StateDot {
    none,      // not an instance line
    running,   // 🟢
    stopped,   // ⚫️
    changing,  // 🟡 pending, stopping, shutting down
    other,     // ⚪️ any other state
};

struct MenuItem {
    bool separator = false;
    StateDot dot = StateDot::none;  // drawn before the title
    std::string title;
    std::optional<NameSpan> name;  // absent: the title always shows whole
    bool bold = false;             // drawn in the bold system font (the header)
    MenuAction action = MenuAction::none;
    char keyEquivalent = '\0';  // a lower-case letter used with Ctrl, or none
    bool enabled = false;
    bool checked = false;
    // False: kept in its place but not shown, for an entry that comes and goes with the
    // state (an instance's, the list's), so that the menu keeps its shape as states change.
    bool visible = true;
    RepresentedObject representedObject;
    std::vector<MenuItem> submenu;
    // Stands for the first list, still on its way ("読み込み中…"): a host that places its
    // menu only once its opening is answered is answered when the list comes.
    bool placeholder = false;

    static MenuItem separatorItem() {
        MenuItem item;
        item.separator = true;
        return item;
    }

    bool hasSubmenu() const { return !submenu.empty(); }

    bool operator==(const MenuItem&) const = default;
};

using Menu = std::vector<MenuItem>;

}  // namespace tamsel
