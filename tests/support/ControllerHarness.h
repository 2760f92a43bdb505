#pragma once
// One controller on the fakes of a desktop and a cloud: queues drained by hand, timers
// fired by hand, settings in memory, scripted dialog answers, a gateway that records calls.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/MenuModel.h"
#include "support/FakeDesktop.h"
#include "support/FakeGateway.h"
#include "support/FakeSSH.h"
#include "support/ManualWork.h"
#include "support/ShownTitle.h"

namespace tamsel::test {

// The first item of `menu` shown, at any depth, top to bottom, that does `action` and
// carries `payload` (anything, when no payload is given).
inline const MenuItem* find(const Menu& menu, MenuAction action,
                            const std::optional<RepresentedObject>& payload = std::nullopt) {
    for (const MenuItem& item : menu) {
        if (!item.visible) continue;
        if (!item.separator && item.action == action && (!payload || item.representedObject == *payload)) return &item;
        if (const MenuItem* inside = find(item.submenu, action, payload)) return inside;
    }
    return nullptr;
}

// An entry as the menu would deliver it, carrying `object`.
inline MenuItem entry(MenuAction action, RepresentedObject object = {}) {
    MenuItem item;
    item.action = action;
    item.enabled = true;
    item.representedObject = std::move(object);
    return item;
}

// One controller on fakes.
struct Harness : FakeDesktop {
    ManualMainThread mainThread;
    ManualWorkQueue queue;
    ManualWorkQueue signInQueue;
    ManualWorkQueue sweepQueue;
    FakeGateway cli;
    FakeSSH ssh;
    std::optional<std::string> version = "1.2.3";
    std::unique_ptr<AppDelegate> controller;

    AppDelegate& make() { return make(cli); }
    // The controller on another gateway (the real one, running a fake tool).
    AppDelegate& make(CloudGateway& gateway) {
        controller =
            std::make_unique<AppDelegate>(platform(mainThread, queue, signInQueue, sweepQueue), gateway, ssh, version);
        return *controller;
    }

    // Launched, with the profile listing and the first refresh landed.
    AppDelegate& launched(std::vector<EC2Instance> firstListing = {}) {
        make();
        cli.listings.push_front(std::move(firstListing));
        controller->applicationDidFinishLaunching();
        drain();
        return *controller;
    }

    // Runs queued jobs and main-thread work until both are empty.
    void drain() {
        while (queue.pending() || signInQueue.pending() || sweepQueue.pending() || mainThread.pending()) {
            while (queue.pending()) queue.runNext();
            while (signInQueue.pending()) signInQueue.runNext();
            while (sweepQueue.pending()) sweepQueue.runNext();
            mainThread.runAll();
        }
    }

    // Chooses the item of the last built menu found by following `path` (titles, top level first).
    void choose(const std::vector<std::string>& path) {
        const MenuItem* item = find(path);
        ASSERT_NE(item, nullptr) << "no menu item " << path.back();
        const MenuItem copy = *item;
        controller->menuItemChosen(copy);
    }

    // Chooses the item of the last built menu that does `action` with `payload` (see find).
    void choose(MenuAction action, const std::optional<RepresentedObject>& payload = std::nullopt) {
        const MenuItem* item = find(action, payload);
        ASSERT_NE(item, nullptr) << "no menu item for action " << static_cast<int>(action);
        const MenuItem copy = *item;
        controller->menuItemChosen(copy);
    }

    const MenuItem* find(MenuAction action, const std::optional<RepresentedObject>& payload = std::nullopt) const {
        return test::find(statusItem.menu, action, payload);
    }

    const MenuItem* find(const std::vector<std::string>& path) const {
        const Menu* level = &statusItem.menu;
        const MenuItem* found = nullptr;
        for (const std::string& title : path) {
            found = nullptr;
            for (const MenuItem& item : *level) {
                if (!item.separator && item.visible && test::shownTitle(item) == title) {
                    found = &item;
                    break;
                }
            }
            if (!found) return nullptr;
            level = &found->submenu;
        }
        return found;
    }
};

}  // namespace tamsel::test
