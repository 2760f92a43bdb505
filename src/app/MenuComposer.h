#pragma once
// The tray menu and the tray button, composed from a plain snapshot of the controller's
// state. Pure: reads only its arguments, never fails.

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "app/Failure.h"
#include "app/MenuModel.h"
#include "app/Platform.h"
#include "app/RegionSweep.h"
#include "app/Wording.h"
#include "bridge/EC2Instance.h"
#include "bridge/SignInPrompt.h"

namespace tamsel {

// Everything the menu shows. The spans must outlive the call that reads them.
struct MenuState {
    std::optional<std::string> version;  // absent: the header has no version
    std::span<const EC2Instance> instances;
    std::optional<Failure> lastError;
    std::optional<std::string> lastUpdated;  // when the list last landed, as the user's locale writes it
    bool loading = false;
    std::span<const std::string> profiles;
    std::optional<std::string> profile;
    std::optional<std::string> region;
    IngressLockGroups ingressLockGroups;
    bool loginEnabled = false;
    bool signingIn = false;                    // "aws sso login" is under way
    std::optional<SignInPrompt> signInPrompt;  // where it asks the user to sign in, once printed
    SweepView sweep;                           // the other regions' counts
    // The ids of the favourite instances of the current profile and region: first in the
    // list, marked; with `favouritesOnly`, the rest hidden, counted in a line below them.
    std::set<std::string> favourites;
    bool favouritesOnly = false;
    // Instance id to the ssh command that connects to it, for those whose command is known.
    std::map<std::string, SSHCommand> sshCommands;
    // Instance id to when its booked stop is due.
    std::map<std::string, std::chrono::system_clock::time_point> stopBookings;
    // The controller's clock, for how long running instances have been running.
    std::chrono::system_clock::time_point now;
};

using words::kAppName;

// The whole menu, top to bottom.
Menu composeMenu(const MenuState& state);

// The tray button: the running icon while any instance runs, " !" while an error is pending.
StatusButton statusButton(std::span<const EC2Instance> instances, bool errorPending);

// The coloured dot for an EC2 state name (exact, case-sensitive).
StateDot dot(const InstanceState& state);

// The summary line, the hint line when there is a hint, for an expired sign-in session the
// entry that signs in again (disabled, saying so, while `signingIn`, followed by entries
// that copy the `prompt`'s address and code), and the detail entry when the error carries
// a text worth showing.
std::vector<MenuItem> errorLines(const Failure& error, bool signingIn = false,
                                 const std::optional<SignInPrompt>& prompt = std::nullopt);

// One instance line with its submenu (details, how long it has been running at `now`,
// when its booked stop is due, start, stop, booking a stop and cancelling it, ingress lock,
// marking it a favourite or no more, connecting over ssh with `ssh` and copying that
// command, copying its id and addresses); a favourite's line has the mark after its dot.
// The submenu has the same entries in every state: those
// that do not apply (how long it has run while stopped, booking while not running, an
// address it has not) are there hidden.
MenuItem instanceMenuItem(const EC2Instance& instance, const IngressLockGroups& lockGroups,
                          std::chrono::system_clock::time_point now = {},
                          std::optional<std::chrono::system_clock::time_point> stopBooked = std::nullopt,
                          bool favourite = false, const SSHCommand* ssh = nullptr);

MenuItem profileMenuItem(std::span<const std::string> profiles, const std::optional<std::string>& profile);
// The regions, each with its count from the sweep when above zero or when it failed, and
// last the entry that starts the sweep (its progress while it runs, then its time).
MenuItem regionMenuItem(const std::optional<std::string>& region, const SweepView& sweep = {});
MenuItem ingressLockMenuItem(const EC2Instance& instance, const IngressLockGroups& lockGroups);

// What a host that never scrolls the menu and opens each submenu in place, as a scroll box
// in the room the menu leaves on the screen (GNOME Shell's AppIndicator extension), draws:
// a line, a separator and the room the screen keeps from the menu (its panel, the menu's
// frame), in pixels of a screen at scale 1, and the lines an open submenu shows at least.
struct InPlaceMenuMetrics {
    int line = 42;
    int separator = 8;
    int frame = 80;
    int submenuLines = 8;
};

// `menu` (as composeMenu makes it) for such a host on a screen `screenHeight` pixels high.
// A submenu inside a submenu would get only the room its parent's box leaves, none, so
// every such one is set out in place: its title as a line that only informs, its entries
// indented below it. When the whole menu would leave an open submenu fewer lines than it
// shows at least, the profile, region and login entries go into one submenu 「設定」, and
// the shown instance lines that still do not fit into one submenu 「ほかに N 台」 after the
// ones kept, each set out there with its entries.
Menu foldedForInPlaceSubmenus(Menu menu, int screenHeight, const InPlaceMenuMetrics& metrics = {});

}  // namespace tamsel
