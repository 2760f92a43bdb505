#include "app/MenuComposer.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "app/FailureText.h"
#include "app/NameIsolation.h"
#include "app/Regions.h"
#include "app/RefreshPolicy.h"
#include "app/RunningTime.h"
#include "app/TimeFormat.h"
#include "app/Wording.h"

namespace tamsel {
namespace {

// A line that only informs: no action, disabled.
MenuItem label(std::string title) {
    MenuItem item;
    item.title = std::move(title);
    return item;
}

MenuItem actionItem(std::string title, MenuAction action, RepresentedObject object = {}, bool enabled = true) {
    MenuItem item;
    item.title = std::move(title);
    item.action = action;
    item.enabled = enabled;
    item.representedObject = std::move(object);
    return item;
}

// An entry with a submenu: no action of its own, always enabled.
MenuItem submenuItem(std::string title, std::vector<MenuItem> submenu) {
    MenuItem item;
    item.title = std::move(title);
    item.enabled = true;
    item.submenu = std::move(submenu);
    return item;
}

// `before`, the name (isolated where it needs it) and `after`, the name marked as the part
// that may be shortened.
std::pair<std::string, NameSpan> withName(std::string before, std::string_view name, std::string_view after) {
    const bool isolate = needsIsolation(name);
    if (isolate) before += kIsolateStart;
    const NameSpan span{before.size(), name.size()};
    std::string title = std::move(before);
    title += name;
    if (isolate) title += kIsolateEnd;
    title += after;
    return {std::move(title), span};
}

MenuItem checkable(MenuItem item, bool checked) {
    item.checked = checked;
    return item;
}

MenuItem shown(MenuItem item, bool visible) {
    item.visible = visible;
    return item;
}

}  // namespace

StateDot dot(const InstanceState& state) {
    if (state == InstanceState::running) return StateDot::running;
    if (state == InstanceState::stopped) return StateDot::stopped;
    if (isTransitional(state)) return StateDot::changing;
    return StateDot::other;
}

StatusButton statusButton(std::span<const EC2Instance> instances, bool errorPending) {
    return StatusButton{
        .imageName = anyRunning(instances) ? "MenuBarIconRunning" : "MenuBarIcon",
        .title = errorPending ? std::string(words::kErrorPending) : "",
        .toolTip = std::string(kAppName),
    };
}

std::vector<MenuItem> errorLines(const Failure& error, bool signingIn, const std::optional<SignInPrompt>& prompt) {
    std::vector<MenuItem> lines;
    lines.push_back(label(words::errorSummaryLine(summary(error))));
    if (auto shownHint = hint(error)) lines.push_back(label(words::errorHintLine(*shownHint)));
    if (error.needsSSOLogin()) {
        lines.push_back(signingIn ? label(std::string(words::kWaitingForSignIn))
                                  : actionItem(std::string(words::kRunSSOLogin), MenuAction::ssoLogin));
        if (signingIn && prompt) {
            lines.push_back(actionItem(std::string(words::kCopySignInURL), MenuAction::copyText, prompt->url));
            if (prompt->code) {
                lines.push_back(actionItem(words::copySignInCode(*prompt->code), MenuAction::copyText, *prompt->code));
            }
        }
    }
    if (error.kind() != Failure::Kind::cliNotFound && !detail(error).empty()) {
        lines.push_back(actionItem(std::string(words::kShowErrorDetail), MenuAction::showErrorDetail));
    }
    return lines;
}

MenuItem ingressLockMenuItem(const EC2Instance& instance, const IngressLockGroups& lockGroups) {
    const auto stored = lockGroups.find(instance.id);
    const SecurityGroup* match = nullptr;
    if (stored != lockGroups.end()) {
        auto found = std::find_if(instance.securityGroups.begin(), instance.securityGroups.end(),
                                  [&](const SecurityGroup& group) { return group.id == stored->second; });
        if (found != instance.securityGroups.end()) match = &*found;
    }
    const std::string choice = match                        ? match->displayName()
                               : stored != lockGroups.end() ? stored->second
                                                            : std::string(words::kNoLockGroup);

    std::vector<MenuItem> submenu;
    submenu.push_back(checkable(actionItem(std::string(words::kNoLockGroup), MenuAction::selectIngressLockGroup,
                                           LockChoice{instance.id, std::nullopt}),
                                stored == lockGroups.end()));
    submenu.push_back(MenuItem::separatorItem());
    for (const SecurityGroup& group : instance.securityGroups) {
        submenu.push_back(checkable(
            actionItem(group.displayName(), MenuAction::selectIngressLockGroup, LockChoice{instance.id, group.id}),
            stored != lockGroups.end() && stored->second == group.id));
    }
    return submenuItem(words::ingressLockEntry(choice), std::move(submenu));
}

MenuItem instanceMenuItem(const EC2Instance& instance, const IngressLockGroups& lockGroups,
                          std::chrono::system_clock::time_point now,
                          std::optional<std::chrono::system_clock::time_point> stopBooked, bool favourite,
                          const SSHCommand* ssh) {
    // Every entry is there whatever the state; those that do not apply now are hidden, so
    // that a change of state changes lines, not the submenu's shape.
    const bool running = instance.state == InstanceState::running;
    std::vector<MenuItem> submenu;
    submenu.push_back(label(instance.id + "  " + instance.type));
    std::optional<std::string> runningFor = runningTimeLine(instance, now);
    submenu.push_back(shown(label(runningFor.value_or("")), runningFor.has_value()));
    const std::string due = stopBooked ? formatHourMinute(*stopBooked) : "";
    submenu.push_back(shown(label(stopBooked ? words::stopDue(due) : ""), stopBooked.has_value()));
    submenu.push_back(MenuItem::separatorItem());
    submenu.push_back(actionItem(std::string(words::kStart), MenuAction::startInstance, instance,
                                 instance.state == InstanceState::stopped));
    submenu.push_back(actionItem(std::string(words::kStop), MenuAction::stopInstance, instance, running));
    // Hidden, the booking entries carry only the id that tells them apart.
    EC2Instance idOnly;
    if (!running) idOnly.id = instance.id;
    const EC2Instance& booked = running ? instance : idOnly;
    std::vector<MenuItem> later;
    for (int hours : {1, 2, 4, 8}) {
        later.push_back(
            actionItem(words::stopAfterHours(hours), MenuAction::bookStop, StopBookingChoice{booked, hours}));
    }
    submenu.push_back(shown(submenuItem(std::string(words::kBookStop), std::move(later)), running));
    submenu.push_back(
        shown(actionItem(stopBooked ? words::cancelStopBooking(due) : "", MenuAction::cancelStopBooking, instance.id),
              stopBooked.has_value()));
    submenu.push_back(MenuItem::separatorItem());
    submenu.push_back(ingressLockMenuItem(instance, lockGroups));
    submenu.push_back(actionItem(std::string(favourite ? words::kRemoveFavourite : words::kAddFavourite),
                                 MenuAction::toggleFavourite, instance.id));
    submenu.push_back(MenuItem::separatorItem());
    submenu.push_back(
        shown(actionItem(ssh ? std::string(words::kConnectSSH) : "", MenuAction::connectSSH, ssh ? *ssh : SSHCommand{}),
              ssh != nullptr));
    submenu.push_back(shown(
        actionItem(ssh ? std::string(words::kCopySSHCommand) : "", MenuAction::copyText, ssh ? ssh->shellLine() : ""),
        ssh != nullptr));
    submenu.push_back(actionItem(std::string(words::kCopyID), MenuAction::copyText, instance.id));
    const auto copy = [](std::string title, const std::optional<std::string>& address) {
        return shown(actionItem(address ? std::move(title) : "", MenuAction::copyText, address.value_or("")),
                     address.has_value());
    };
    submenu.push_back(copy(words::copyPublicIP(instance.publicIPv4.value_or("")), instance.publicIPv4));
    submenu.push_back(copy(words::copyPrivateIP(instance.privateIPv4.value_or("")), instance.privateIPv4));
    std::string before = favourite ? std::string(words::kFavouriteMark) : "";
    auto [title, name] =
        withName(std::move(before), instance.sortKey(), std::string(words::kBeforeState) + instance.state.word());
    MenuItem line = submenuItem(std::move(title), std::move(submenu));
    line.dot = dot(instance.state);
    line.name = name;
    return line;
}

MenuItem profileMenuItem(std::span<const std::string> profiles, const std::optional<std::string>& profile) {
    std::vector<MenuItem> submenu;
    submenu.push_back(checkable(actionItem(std::string(words::kDefault), MenuAction::selectProfile), !profile));
    for (const std::string& name : profiles) {
        submenu.push_back(checkable(actionItem(name, MenuAction::selectProfile, name), profile == name));
    }
    if (!profile) return submenuItem(std::string(words::kDefaultProfileEntry), std::move(submenu));
    auto [title, name] = withName(std::string(words::kProfileEntryBefore), *profile, "");
    MenuItem line = submenuItem(std::move(title), std::move(submenu));
    line.name = name;
    return line;
}

MenuItem regionMenuItem(const std::optional<std::string>& region, const SweepView& sweep) {
    std::vector<MenuItem> submenu;
    submenu.push_back(checkable(actionItem(std::string(words::kDefaultRegion), MenuAction::selectRegion), !region));
    submenu.push_back(MenuItem::separatorItem());
    for (std::string_view name : kRegions) {
        std::string title(name);
        if (const auto counted = sweep.counts.find(name); counted != sweep.counts.end()) {
            const auto& running = counted->second;  // none: the region could not be asked
            if (!running) {
                title += words::kRegionNotChecked;
            } else if (*running > 0) {
                title += words::regionRunningCount(*running);
            }
        }
        submenu.push_back(
            checkable(actionItem(std::move(title), MenuAction::selectRegion, std::string(name)), region == name));
    }
    submenu.push_back(MenuItem::separatorItem());
    if (sweep.progress) {
        submenu.push_back(label(words::sweepProgress(sweep.progress->first, sweep.progress->second)));
    } else if (sweep.finishedAt) {
        submenu.push_back(
            actionItem(words::sweepRegionsAgain(formatHourMinute(*sweep.finishedAt)), MenuAction::sweepRegions));
    } else {
        submenu.push_back(actionItem(std::string(words::kSweepRegions), MenuAction::sweepRegions));
    }
    return submenuItem(words::regionEntry(region), std::move(submenu));
}

Menu composeMenu(const MenuState& state) {
    Menu menu;
    menu.reserve(state.instances.size() + 16);

    MenuItem title = label(words::header(state.version));
    title.bold = true;
    menu.push_back(std::move(title));
    menu.push_back(MenuItem::separatorItem());

    // The loading or empty line and the last-update line are there hidden when they do not
    // apply: the list landing then only adds lines, and a host that places lines it did not
    // have before against those it keeps puts them where they belong.
    const bool empty = !state.lastError && state.instances.empty();
    MenuItem emptyLine =
        shown(label(empty ? std::string(state.loading ? words::kLoading : words::kNoInstances) : ""), empty);
    emptyLine.placeholder = empty && state.loading && !state.lastUpdated;  // nothing listed yet
    menu.push_back(std::move(emptyLine));
    if (state.lastError) {
        for (MenuItem& line : errorLines(*state.lastError, state.signingIn, state.signInPrompt)) {
            menu.push_back(std::move(line));
        }
    }
    // The favourites first, in the list's order, then the rest; while the favourites show
    // alone, the rest are there hidden (a switch of the view changes no entry), counted in
    // the line below them.
    const bool favouritesOnly = state.favouritesOnly && !state.favourites.empty();
    std::size_t others = 0;
    for (const bool favourites : {true, false}) {
        for (const EC2Instance& instance : state.instances) {
            if (state.favourites.contains(instance.id) != favourites) continue;
            const auto booked = state.stopBookings.find(instance.id);
            const auto ssh = state.sshCommands.find(instance.id);
            MenuItem line = instanceMenuItem(instance, state.ingressLockGroups, state.now,
                                             booked == state.stopBookings.end()
                                                 ? std::nullopt
                                                 : std::optional<std::chrono::system_clock::time_point>(booked->second),
                                             favourites, ssh == state.sshCommands.end() ? nullptr : &ssh->second);
            if (!favourites && favouritesOnly) {
                line.visible = false;
                ++others;
            }
            menu.push_back(std::move(line));
        }
    }
    menu.push_back(shown(label(others > 0 ? words::moreInstances(others) : ""), others > 0));
    menu.push_back(MenuItem::separatorItem());

    menu.push_back(checkable(shown(actionItem(std::string(words::kFavouritesOnly), MenuAction::toggleFavouritesOnly),
                                   !state.favourites.empty()),
                             favouritesOnly));
    menu.push_back(
        shown(label(state.lastUpdated ? words::lastUpdated(*state.lastUpdated) : ""), state.lastUpdated.has_value()));
    MenuItem reload = actionItem(std::string(words::kReloadNow), MenuAction::reloadNow);
    reload.keyEquivalent = 'r';
    menu.push_back(std::move(reload));
    menu.push_back(MenuItem::separatorItem());

    menu.push_back(profileMenuItem(state.profiles, state.profile));
    menu.push_back(regionMenuItem(state.region, state.sweep));
    menu.push_back(
        checkable(actionItem(std::string(words::kStartAtLogin), MenuAction::toggleLogin), state.loginEnabled));
    menu.push_back(MenuItem::separatorItem());

    MenuItem quit = actionItem(std::string(words::kQuit), MenuAction::terminate);
    quit.keyEquivalent = 'q';
    menu.push_back(std::move(quit));
    return menu;
}

namespace {

// A submenu's entries with every submenu among them set out in place: its title as a line
// that only informs, then its own entries indented below it.
std::vector<MenuItem> inlined(std::vector<MenuItem> items, const std::string& indent) {
    std::vector<MenuItem> result;
    result.reserve(items.size());
    for (MenuItem& item : items) {
        if (!item.separator) item.title = indent + item.title;
        if (item.name) item.name->start += indent.size();
        if (!item.hasSubmenu()) {
            result.push_back(std::move(item));
            continue;
        }
        std::vector<MenuItem> entries = std::move(item.submenu);
        item.submenu.clear();
        item.enabled = false;
        result.push_back(std::move(item));
        for (MenuItem& entry : inlined(std::move(entries), indent + std::string(words::kInlineIndent)))
            result.push_back(std::move(entry));
    }
    return result;
}

}  // namespace

Menu foldedForInPlaceSubmenus(Menu menu, int screenHeight, const InPlaceMenuMetrics& metrics) {
    // composeMenu's sections between separators: the header, the list, the update lines,
    // the settings, quitting.
    std::vector<std::vector<MenuItem>> sections(1);
    for (MenuItem& item : menu) {
        if (item.separator) sections.emplace_back();
        else sections.back().push_back(std::move(item));
    }
    const auto height = [&](const std::vector<std::vector<MenuItem>>& parts) {
        int pixels = static_cast<int>(parts.size() - 1) * metrics.separator;
        // Hidden entries take no room.
        for (const auto& part : parts)
            pixels += static_cast<int>(std::ranges::count(part, true, &MenuItem::visible)) * metrics.line;
        return pixels;
    };
    const auto joined = [](std::vector<std::vector<MenuItem>> parts) {
        Menu result;
        for (auto& part : parts) {
            if (!result.empty()) result.push_back(MenuItem::separatorItem());
            for (MenuItem& item : part) {
                // A submenu in a submenu would get the room its parent's box leaves: none.
                if (item.hasSubmenu()) item.submenu = inlined(std::move(item.submenu), "");
                result.push_back(std::move(item));
            }
        }
        return result;
    };
    // The top level may be this high and still leave an open submenu its lines.
    const int room = screenHeight - metrics.frame - metrics.submenuLines * metrics.line;
    if (sections.size() != 5 || height(sections) <= room) return joined(std::move(sections));

    std::vector<MenuItem>& settings = sections[3];
    if (settings.size() > 1) settings = {submenuItem(std::string(words::kSettings), std::move(settings))};

    // The list keeps its lines that are not instances (errors, their actions, the count of
    // those not shown), then as many instance lines as fit beside the entry that holds the
    // rest, in their place. Hidden instance lines take no room and stay where they are.
    std::vector<MenuItem>& list = sections[1];
    const int over = height(sections) - room;
    const auto isShownInstance = [](const MenuItem& item) { return item.hasSubmenu() && item.visible; };
    const auto instances = static_cast<long>(std::count_if(list.begin(), list.end(), isShownInstance));
    if (over <= 0 || instances < 2) return joined(std::move(sections));
    // The lines to take out, and one more for the entry that holds them.
    const long kept = std::max(0L, instances - (over + metrics.line - 1) / metrics.line - 1);
    std::vector<MenuItem> shown;
    std::vector<MenuItem> rest;
    std::size_t restAt = 0;
    long seen = 0;
    for (MenuItem& item : list) {
        if (!isShownInstance(item) || seen++ < kept) {
            shown.push_back(std::move(item));
            continue;
        }
        if (rest.empty()) restAt = shown.size();
        else rest.push_back(MenuItem::separatorItem());
        rest.push_back(std::move(item));
    }
    const auto moved = static_cast<std::size_t>(instances - kept);
    shown.insert(shown.begin() + static_cast<long>(restAt), submenuItem(words::moreInstances(moved), std::move(rest)));
    list = std::move(shown);
    return joined(std::move(sections));
}

}  // namespace tamsel
