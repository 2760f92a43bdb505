#pragma once
// A desktop and a cloud for controller tests: queues drained by hand, timers fired by
// hand, settings in memory, scripted dialog answers, and a gateway that records calls.

#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/CloudGateway.h"
#include "app/Platform.h"
#include "support/FakeSessionActivity.h"

namespace tamsel::test {

// Runs posted work only when the test says so.
class ManualMainThread final : public MainThread {
public:
    void post(std::function<void()> work) override { work_.push_back(std::move(work)); }
    std::size_t pending() const { return work_.size(); }
    void runNext() {
        ASSERT_FALSE(work_.empty()) << "nothing posted to the main thread";
        auto work = std::move(work_.front());
        work_.pop_front();
        work();
    }
    void runAll() {
        while (!work_.empty()) runNext();
    }

private:
    std::deque<std::function<void()>> work_;
};

class ManualWorkQueue final : public WorkQueue {
public:
    void async(std::function<void()> job) override { jobs_.push_back(std::move(job)); }
    std::size_t pending() const { return jobs_.size(); }
    void runNext() {
        ASSERT_FALSE(jobs_.empty()) << "no job queued";
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        job();
    }

private:
    std::deque<std::function<void()>> jobs_;
};

class FakeTimers final : public Timers {
public:
    struct Armed {
        std::chrono::milliseconds interval;
        std::function<void()> fire;
        std::shared_ptr<bool> live;
    };

    std::unique_ptr<OneShotTimer> startOneShot(std::chrono::milliseconds interval,
                                               std::function<void()> fire) override {
        auto live = std::make_shared<bool>(true);
        started_.push_back({interval, std::move(fire), live});
        return std::make_unique<Handle>(live);
    }

    const std::vector<Armed>& started() const { return started_; }
    // The timers not yet disarmed nor fired.
    std::size_t armedCount() const {
        std::size_t count = 0;
        for (const Armed& timer : started_) count += *timer.live ? 1 : 0;
        return count;
    }
    std::chrono::milliseconds lastInterval() const { return started_.back().interval; }
    // Fires the most recently started timer, which must still be armed.
    void fireLast() {
        ASSERT_FALSE(started_.empty());
        Armed& timer = started_.back();
        ASSERT_TRUE(*timer.live) << "the last timer was disarmed";
        *timer.live = false;
        timer.fire();
    }

private:
    class Handle final : public OneShotTimer {
    public:
        explicit Handle(std::shared_ptr<bool> live) : live_(std::move(live)) {}
        ~Handle() override { *live_ = false; }

    private:
        std::shared_ptr<bool> live_;
    };
    std::vector<Armed> started_;
};

class MemorySettings final : public SettingsStore {
public:
    struct Garbage {
        bool operator==(const Garbage&) const = default;
    };
    using Value = std::variant<std::string, std::map<std::string, std::string>, Garbage>;

    std::optional<std::string> string(const std::string& key) const override {
        auto found = values.find(key);
        if (found == values.end()) return std::nullopt;
        if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
        return std::nullopt;
    }
    std::optional<std::map<std::string, std::string>> stringMap(const std::string& key) const override {
        auto found = values.find(key);
        if (found == values.end()) return std::nullopt;
        if (const auto* map = std::get_if<std::map<std::string, std::string>>(&found->second)) return *map;
        return std::nullopt;
    }
    std::optional<SettingsWriteError> setString(const std::string& key,
                                                const std::optional<std::string>& value) override {
        if (failure) return failure;
        if (value) {
            values[key] = *value;
        } else {
            values.erase(key);
        }
        return std::nullopt;
    }
    std::optional<SettingsWriteError> setStringMap(const std::string& key,
                                                   const std::map<std::string, std::string>& value) override {
        if (failure) return failure;
        values[key] = value;
        return std::nullopt;
    }

    // What a real store holds when the value has a shape we cannot read (a number, a list...).
    void storeGarbage(const std::string& key) { values[key] = Garbage{}; }

    std::map<std::string, Value> values;
    // While set, every write fails with it and stores nothing.
    std::optional<SettingsWriteError> failure;
};

class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    void enable() override {
        calls.push_back("enable");
        if (failure) throw std::runtime_error(*failure);
        enabled = true;
    }
    void disable() override {
        calls.push_back("disable");
        if (failure) throw std::runtime_error(*failure);
        enabled = false;
    }

    bool enabled = false;
    std::optional<std::string> failure;
    std::vector<std::string> calls;
};

class ScriptedAlerts final : public Alerts {
public:
    int run(const Alert& alert) override {
        shown.push_back(alert);
        if (onRun) onRun();
        if (answers.empty()) return alert.buttons.empty() ? 0 : -1;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<int> answers;       // in order; when they run out: the default button, or closed
    std::vector<Alert> shown;
    std::function<void()> onRun;   // runs while the modal alert is up
};

class RecordingStatusItem final : public StatusItem {
public:
    void setDelegate(MenuDelegate* newDelegate) override { delegate = newDelegate; }
    void setButton(const StatusButton& newButton) override {
        button = newButton;
        ++buttonUpdates;
    }
    void setMenu(const Menu& newMenu) override {
        menu = newMenu;
        ++menuBuilds;
    }

    MenuDelegate* delegate = nullptr;
    std::optional<StatusButton> button;
    int buttonUpdates = 0;
    Menu menu;
    int menuBuilds = 0;
};

class FakeApplication final : public Application {
public:
    void quit() override { ++quits; }
    std::chrono::system_clock::time_point now() const override { return clock; }

    int quits = 0;
    std::chrono::system_clock::time_point clock{std::chrono::seconds(1'700'000'000)};
};

// Answers with what the test scripted and records every call, in order.
class FakeGateway final : public CloudGateway {
public:
    std::optional<std::string> profile() const override { return profile_; }
    std::optional<std::string> region() const override { return region_; }
    void setProfile(std::optional<std::string> profile) override { profile_ = std::move(profile); }
    void setRegion(std::optional<std::string> region) override { region_ = std::move(region); }

    std::vector<std::string> listProfiles() override {
        calls.push_back("listProfiles");
        return profileNames;
    }
    std::vector<EC2Instance> describeInstances() override {
        calls.push_back("describeInstances");
        if (listings.empty()) return {};
        auto next = std::move(listings.front());
        listings.pop_front();
        if (auto* error = std::get_if<std::exception_ptr>(&next)) std::rethrow_exception(*error);
        return std::get<std::vector<EC2Instance>>(next);
    }
    void start(const std::string& instanceID) override { record("start " + instanceID); }
    void stop(const std::string& instanceID) override { record("stop " + instanceID); }
    std::string globalIPv4() override {
        record("globalIPv4");
        return address;
    }
    void restrictIngress(const std::string& groupID, const std::string& to) override {
        record("restrictIngress " + groupID + " " + to);
    }

    std::vector<std::string> profileNames;
    // One entry per describeInstances call: a list, or an error to throw. Empty: an empty list.
    std::deque<std::variant<std::vector<EC2Instance>, std::exception_ptr>> listings;
    std::string address = "203.0.113.7";
    // Calls (as recorded, e.g. "start i-1") that throw the given error.
    std::map<std::string, std::exception_ptr> failures;
    std::vector<std::string> calls;

private:
    void record(const std::string& call) {
        calls.push_back(call);
        if (auto failure = failures.find(call); failure != failures.end()) std::rethrow_exception(failure->second);
    }
    std::optional<std::string> profile_;
    std::optional<std::string> region_;
};

template <class E>
std::exception_ptr errorOf(E error) {
    return std::make_exception_ptr(std::move(error));
}

inline EC2Instance instance(std::string id, std::string state, std::string name = {},
                            std::vector<SecurityGroup> groups = {}) {
    EC2Instance record;
    record.id = std::move(id);
    record.name = std::move(name);
    record.state = std::move(state);
    record.type = "t3.micro";
    record.securityGroups = std::move(groups);
    return record;
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
struct Harness {
    ManualMainThread mainThread;
    ManualWorkQueue queue;
    FakeTimers timers;
    MemorySettings settings;
    FakeLoginItem loginItem;
    ScriptedAlerts alerts;
    RecordingStatusItem statusItem;
    FakeApplication application;
    FakeSessionActivity sessionActivity;
    FakeGateway cli;
    std::optional<std::string> version = "1.2.3";
    std::unique_ptr<AppDelegate> controller;

    AppDelegate& make() { return make(cli); }
    // The controller on another gateway (the real one, running a fake tool).
    AppDelegate& make(CloudGateway& gateway) {
        controller = std::make_unique<AppDelegate>(
            Platform{mainThread, queue, timers, settings, loginItem, alerts, statusItem, application, sessionActivity},
            gateway, version);
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
        while (queue.pending() || mainThread.pending()) {
            while (queue.pending()) queue.runNext();
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

    const MenuItem* find(const std::vector<std::string>& path) const {
        const Menu* level = &statusItem.menu;
        const MenuItem* found = nullptr;
        for (const std::string& title : path) {
            found = nullptr;
            for (const MenuItem& item : *level) {
                if (!item.separator && item.title == title) {
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
