#include "app/MenuComposer.h"

#include <algorithm>
#include <utility>

#include "app/FailureText.h"
#include "app/NameIsolation.h"
#include "app/Regions.h"
#include "app/RefreshPolicy.h"
#include "app/RunningTime.h"
#include "app/TimeFormat.h"

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

std::string header(const std::optional<std::string>& version) {
    std::string text(kAppName);
    if (version) text += "  v" + *version;
    return text;
}

}  // namespace

std::string dot(std::string_view state) {
    if (state == "running") return "🟢";
    if (state == "stopped") return "⚫️";
    if (isTransitional(state)) return "🟡";
    return "⚪️";
}

StatusButton statusButton(std::span<const EC2Instance> instances, bool errorPending) {
    return StatusButton{
        .imageName = anyRunning(instances) ? "MenuBarIconRunning" : "MenuBarIcon",
        .title = errorPending ? " !" : "",
        .toolTip = std::string(kAppName),
    };
}

std::vector<MenuItem> errorLines(const Failure& error, bool signingIn, const std::optional<SignInPrompt>& prompt) {
    std::vector<MenuItem> lines;
    lines.push_back(label("⚠️ " + summary(error)));
    if (auto shownHint = hint(error)) lines.push_back(label("　" + *shownHint));
    if (error.needsSSOLogin()) {
        lines.push_back(signingIn ? label("　ブラウザでのサインインを待っています…")
                                  : actionItem("　aws sso login を実行…", MenuAction::ssoLogin));
        if (signingIn && prompt) {
            lines.push_back(actionItem("　サインイン用の URL をコピー", MenuAction::copyText, prompt->url));
            if (prompt->code) {
                lines.push_back(actionItem("　コードをコピー（" + *prompt->code + "）", MenuAction::copyText, *prompt->code));
            }
        }
    }
    if (error.kind() != Failure::Kind::cliNotFound && !error.text().empty()) {
        lines.push_back(actionItem("　エラーの詳細…", MenuAction::showErrorDetail));
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
    const std::string choice = match                           ? match->displayName()
                               : stored != lockGroups.end() ? stored->second
                                                               : "しない";

    std::vector<MenuItem> submenu;
    submenu.push_back(checkable(actionItem("しない", MenuAction::selectIngressLockGroup,
                                           LockChoice{instance.id, std::nullopt}),
                                stored == lockGroups.end()));
    submenu.push_back(MenuItem::separatorItem());
    for (const SecurityGroup& group : instance.securityGroups) {
        submenu.push_back(checkable(actionItem(group.displayName(), MenuAction::selectIngressLockGroup,
                                               LockChoice{instance.id, group.id}),
                                    stored != lockGroups.end() && stored->second == group.id));
    }
    return submenuItem("起動時に SG を自分の IP 専用にする: " + choice, std::move(submenu));
}

MenuItem instanceMenuItem(const EC2Instance& instance, const IngressLockGroups& lockGroups,
                          std::optional<std::chrono::system_clock::time_point> now,
                          std::optional<std::chrono::system_clock::time_point> stopBooked) {
    std::vector<MenuItem> submenu;
    submenu.push_back(label(instance.id + "  " + instance.type));
    if (now) {
        if (auto running = runningTimeLine(instance, *now)) submenu.push_back(label(std::move(*running)));
    }
    if (stopBooked) submenu.push_back(label(formatHourMinute(*stopBooked) + " に停止予定"));
    submenu.push_back(MenuItem::separatorItem());
    submenu.push_back(actionItem("起動", MenuAction::startInstance, instance, instance.state == "stopped"));
    submenu.push_back(actionItem("停止", MenuAction::stopInstance, instance, instance.state == "running"));
    if (instance.state == "running") {
        std::vector<MenuItem> later;
        for (int hours : {1, 2, 4, 8}) {
            later.push_back(actionItem(std::to_string(hours) + " 時間後", MenuAction::bookStop,
                                       StopBookingChoice{instance, hours}));
        }
        submenu.push_back(submenuItem("停止を予約", std::move(later)));
    }
    if (stopBooked) {
        submenu.push_back(actionItem("予約を取り消す（" + formatHourMinute(*stopBooked) + " に停止）",
                                     MenuAction::cancelStopBooking, instance.id));
    }
    submenu.push_back(MenuItem::separatorItem());
    submenu.push_back(ingressLockMenuItem(instance, lockGroups));
    submenu.push_back(MenuItem::separatorItem());
    submenu.push_back(actionItem("ID をコピー", MenuAction::copyText, instance.id));
    if (instance.publicIPv4) {
        submenu.push_back(actionItem("パブリック IP をコピー（" + *instance.publicIPv4 + "）", MenuAction::copyText,
                                     *instance.publicIPv4));
    }
    if (instance.privateIPv4) {
        submenu.push_back(actionItem("プライベート IP をコピー（" + *instance.privateIPv4 + "）", MenuAction::copyText,
                                     *instance.privateIPv4));
    }
    auto [title, name] = withName(dot(instance.state) + " ", instance.sortKey(), " — " + instance.state);
    MenuItem line = submenuItem(std::move(title), std::move(submenu));
    line.name = name;
    return line;
}

MenuItem profileMenuItem(std::span<const std::string> profiles, const std::optional<std::string>& profile) {
    std::vector<MenuItem> submenu;
    submenu.push_back(checkable(actionItem("デフォルト", MenuAction::selectProfile), !profile));
    for (const std::string& name : profiles) {
        submenu.push_back(checkable(actionItem(name, MenuAction::selectProfile, name), profile == name));
    }
    if (!profile) return submenuItem("プロファイル: デフォルト", std::move(submenu));
    auto [title, name] = withName("プロファイル: ", *profile, "");
    MenuItem line = submenuItem(std::move(title), std::move(submenu));
    line.name = name;
    return line;
}

MenuItem regionMenuItem(const std::optional<std::string>& region, const SweepView& sweep) {
    std::vector<MenuItem> submenu;
    submenu.push_back(checkable(actionItem("デフォルト (AWS CLI の設定)", MenuAction::selectRegion), !region));
    submenu.push_back(MenuItem::separatorItem());
    for (std::string_view name : kRegions) {
        std::string title(name);
        if (const auto counted = sweep.counts.find(name); counted != sweep.counts.end()) {
            if (!counted->second) {
                title += "（確認できませんでした）";
            } else if (*counted->second > 0) {
                title += "（起動中 " + std::to_string(*counted->second) + "）";
            }
        }
        submenu.push_back(checkable(actionItem(std::move(title), MenuAction::selectRegion, std::string(name)),
                                    region == name));
    }
    submenu.push_back(MenuItem::separatorItem());
    if (sweep.progress) {
        submenu.push_back(label("確認中… " + std::to_string(sweep.progress->first) + "/" +
                                std::to_string(sweep.progress->second)));
    } else if (sweep.finishedAt) {
        submenu.push_back(actionItem("ほかのリージョンを確認（" + formatHourMinute(*sweep.finishedAt) + "）",
                                     MenuAction::sweepRegions));
    } else {
        submenu.push_back(actionItem("ほかのリージョンを確認", MenuAction::sweepRegions));
    }
    return submenuItem("リージョン: " + region.value_or("デフォルト"), std::move(submenu));
}

Menu composeMenu(const MenuState& state) {
    Menu menu;
    menu.reserve(state.instances.size() + 16);

    MenuItem title = label(header(state.version));
    title.bold = true;
    menu.push_back(std::move(title));
    menu.push_back(MenuItem::separatorItem());

    if (state.lastError) {
        for (MenuItem& line : errorLines(*state.lastError, state.signingIn, state.signInPrompt)) {
            menu.push_back(std::move(line));
        }
    } else if (state.instances.empty()) {
        menu.push_back(label(state.loading ? "読み込み中…" : "インスタンスがありません"));
    }
    for (const EC2Instance& instance : state.instances) {
        const auto booked = state.stopBookings.find(instance.id);
        menu.push_back(instanceMenuItem(instance, state.ingressLockGroups, state.now,
                                        booked == state.stopBookings.end()
                                            ? std::nullopt
                                            : std::optional<std::chrono::system_clock::time_point>(booked->second)));
    }
    menu.push_back(MenuItem::separatorItem());

    if (state.lastUpdated) {
        const std::string time = state.formatTime ? state.formatTime(*state.lastUpdated)
                                                  : formatMediumTime(*state.lastUpdated);
        menu.push_back(label("最終更新: " + time));
    }
    MenuItem reload = actionItem("今すぐ更新", MenuAction::reloadNow);
    reload.keyEquivalent = 'r';
    menu.push_back(std::move(reload));
    menu.push_back(MenuItem::separatorItem());

    menu.push_back(profileMenuItem(state.profiles, state.profile));
    menu.push_back(regionMenuItem(state.region, state.sweep));
    menu.push_back(checkable(actionItem("ログイン時に起動", MenuAction::toggleLogin), state.loginEnabled));
    menu.push_back(MenuItem::separatorItem());

    MenuItem quit = actionItem("終了", MenuAction::terminate);
    quit.keyEquivalent = 'q';
    menu.push_back(std::move(quit));
    return menu;
}

}  // namespace tamsel
