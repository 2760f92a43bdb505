// The controller's launch, its refresh guard, landings and timer policy (also while the
// user is away), on fakes.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "support/ControllerHarness.h"

namespace tamsel::test {
namespace {

using std::chrono::milliseconds;
using Strings = std::vector<std::string>;

TEST(Launch, AppliesSettingsThenListsProfilesBeforeTheFirstRefresh) {
    Harness h;
    h.settings.values = {{"profile", std::string("work")}, {"region", std::string("eu-west-1")}};
    h.cli.profileNames = {"work", "dev"};
    h.cli.listings.push_back(std::vector{instance("i-1", "running")});
    AppDelegate& app = h.make();
    app.applicationDidFinishLaunching();

    const CallTarget stored{"work", "eu-west-1"};
    EXPECT_EQ(app.target(), stored);
    EXPECT_EQ(h.statusItem.delegate, &app);
    EXPECT_EQ(h.statusItem.buttonUpdates, 1);
    EXPECT_TRUE(app.loading());
    EXPECT_NE(h.find({"読み込み中…"}), nullptr);

    ASSERT_EQ(h.queue.pending(), 2u);
    h.queue.runNext();
    h.queue.runNext();
    EXPECT_EQ(h.cli.calls, (Strings{"listProfiles", "describeInstances"}));
    EXPECT_EQ(h.cli.targets, std::vector<CallTarget>(2, stored));
    h.mainThread.runNext();  // the profiles land first...
    EXPECT_EQ(app.profiles(), (Strings{"work", "dev"}));
    EXPECT_TRUE(app.loading());
    EXPECT_NE(h.find({"プロファイル: work", "dev"}), nullptr);
    h.mainThread.runNext();  // ...then the instances
    EXPECT_FALSE(app.loading());
    EXPECT_EQ(app.instances().size(), 1u);
}

TEST(Launch, WithoutStoredSettingsLeavesProfileAndRegionToTheTool) {
    Harness h;
    h.launched();
    EXPECT_EQ(h.controller->target(), CallTarget{});
    EXPECT_EQ(h.cli.targets, std::vector<CallTarget>(2, CallTarget{}));
}

TEST(Refresh, WhileLoadingQueuesNothingAndDoesNotRebuild) {
    Harness h;
    AppDelegate& app = h.launched();
    app.menuWillOpen();
    const int builds = h.statusItem.menuBuilds;
    app.menuWillOpen();
    app.refresh();
    h.choose(MenuAction::reloadNow);
    EXPECT_EQ(h.queue.pending(), 1u);
    EXPECT_EQ(h.statusItem.menuBuilds, builds);
}

TEST(Refresh, LandingsReplaceOrDropTheListAndKeepTheLastSuccessTime) {
    Harness h;
    h.cli.listings.push_back(errorOf(std::runtime_error("JSON parse error")));
    h.cli.listings.push_back(std::vector{instance("i-2", "running")});
    AppDelegate& app = h.launched({instance("i-1", "stopped")});
    const auto firstSuccess = h.application.clock;
    EXPECT_EQ(app.lastUpdated(), firstSuccess);
    EXPECT_EQ(h.statusItem.button->title, "");

    h.application.clock += std::chrono::seconds(30);
    app.refresh();
    h.drain();
    EXPECT_TRUE(app.instances().empty());
    EXPECT_EQ(app.lastError(), Failure::unexpected("JSON parse error"));
    EXPECT_EQ(app.lastUpdated(), firstSuccess);
    EXPECT_EQ(h.statusItem.button->title, " !");
    EXPECT_EQ(h.timers.lastInterval(), milliseconds(30000));

    app.refresh();
    h.drain();
    EXPECT_EQ(app.instances(), std::vector{instance("i-2", "running")});
    EXPECT_EQ(app.lastError(), std::nullopt);
    EXPECT_EQ(app.lastUpdated(), h.application.clock);
    EXPECT_EQ(h.statusItem.button->imageName, "MenuBarIconRunning");
}

TEST(Refresh, AnAWSErrorLandsAsItIs) {
    Harness h;
    h.cli.listings.push_back(errorOf(AWSError::cliNotFound()));
    AppDelegate& app = h.launched({instance("i-1", "running")});
    app.refresh();
    h.drain();
    EXPECT_EQ(app.lastError(), AWSError::cliNotFound());
    EXPECT_NE(h.find({"⚠️ AWS CLI が見つかりません"}), nullptr);
}

TEST(Refresh, AWantedMFACodeIsAskedForOnceForAllWaitingCallsAndEachRunsOnceMoreWithIt) {
    const std::string device = "arn:aws:iam::123456789012:mfa/me";
    const auto wantsCode = [&] { return errorOf(AWSError::failed("Enter MFA code for " + device + ":")); };
    const std::string mfaSummary = "⚠️ MFA コードが必要です";

    // Cancelled: the failure stays as its own cause, and the timer asks no more until the user does.
    Harness h;
    h.cli.listings.push_back(wantsCode());
    AppDelegate& app = h.launched({instance("i-1", "running", "web")});
    app.refresh();
    h.drain();
    ASSERT_EQ(h.alerts.asked.size(), 1u);
    EXPECT_EQ(h.alerts.asked[0].title, "MFA コードの入力");
    EXPECT_NE(h.alerts.asked[0].body.find(device), std::string::npos);
    EXPECT_EQ(h.alerts.asked[0].accept, "OK");
    EXPECT_EQ(h.alerts.asked[0].cancel, "キャンセル");
    EXPECT_EQ(h.alerts.asked[0].digits, 6u);
    ASSERT_TRUE(app.lastError().has_value());
    EXPECT_EQ(app.lastError()->cause(), FailureCause::mfaCodeNeeded);
    EXPECT_NE(h.find({mfaSummary}), nullptr);
    h.cli.listings.push_back(wantsCode());
    h.timers.fireLast();
    h.drain();
    EXPECT_EQ(h.alerts.asked.size(), 1u) << "asked again after a cancel, unasked";
    EXPECT_TRUE(h.cli.codesTaken.empty());

    // 「今すぐ更新」 asks again; a start that wants the code too while the dialog is open waits
    // for its answer. Each runs once more with the code, and only those runs land.
    h.cli.calls.clear();
    h.cli.listings.push_back(wantsCode());
    h.cli.failures["start i-1"] = wantsCode();
    h.alerts.codes = {"123456"};
    h.alerts.onAsk = [&] {
        h.alerts.onAsk = nullptr;
        h.controller->menuItemChosen(entry(MenuAction::startInstance, instance("i-1", "stopped", "web")));
        h.drain();  // what the dialog's own event loop does meanwhile
        h.cli.failures.clear();
    };
    h.choose(MenuAction::reloadNow);
    h.drain();
    EXPECT_EQ(h.alerts.asked.size(), 2u);
    EXPECT_EQ(h.cli.codesTaken, (Strings{"describeInstances 123456", "start i-1 123456"}));
    EXPECT_EQ(std::count(h.cli.calls.begin(), h.cli.calls.end(), "start i-1"), 2);
    EXPECT_FALSE(app.lastError().has_value());
    EXPECT_TRUE(h.alerts.shown.empty());

    // A code refused by the tool shows its failure, and is not asked for again on its own.
    h.cli.listings.push_back(wantsCode());
    h.cli.listings.push_back(errorOf(AWSError::failed("Enter MFA code for " + device +
                                                      ": \nAn error occurred (AccessDenied) when calling the "
                                                      "AssumeRole operation: MultiFactorAuthentication failed")));
    h.alerts.codes = {"000000"};
    app.refresh();
    h.drain();
    EXPECT_EQ(h.alerts.asked.size(), 3u);
    ASSERT_TRUE(app.lastError().has_value());
    EXPECT_EQ(app.lastError()->cause(), FailureCause::noPermission);
}

TEST(Refresh, AListReadUnderAChoiceLeftMeanwhileIsNeverShownAndIsListedAgain) {
    const struct {
        Strings path;
        CallTarget chosen;
    } choices[] = {
        {{"リージョン: デフォルト", "eu-west-1"}, {std::nullopt, "eu-west-1"}},
        {{"プロファイル: デフォルト", "dev"}, {"dev", std::nullopt}},
    };
    for (const auto& c : choices) {
        // The listing runs under the old choice, or still waits in the queue, when the user
        // switches; either way it runs under the old one and lands after the switch.
        for (const bool running : {true, false}) {
            SCOPED_TRACE(c.path[1] + (running ? ", listing running" : ", listing queued"));
            Harness h;
            h.cli.profileNames = {"dev"};
            h.cli.listings.push_back(std::vector{instance("i-old", "running")});
            h.cli.listings.push_back(std::vector{instance("i-new", "stopped")});
            AppDelegate& app = h.launched({instance("i-first", "stopped")});
            app.refresh();
            if (running) h.queue.runNext();
            h.choose(c.path);
            if (!running) h.queue.runNext();
            EXPECT_NE(h.find({c.path[0].substr(0, c.path[0].find(':')) + ": " + c.path[1]}), nullptr);
            h.mainThread.runAll();
            EXPECT_TRUE(app.instances().empty());
            EXPECT_TRUE(app.loading());
            ASSERT_EQ(h.queue.pending(), 1u);
            h.drain();
            EXPECT_EQ(app.instances(), std::vector{instance("i-new", "stopped")});
            EXPECT_EQ(h.cli.targets.back(), c.chosen);
            EXPECT_FALSE(app.loading());
            EXPECT_EQ(h.timers.armedCount(), 1u);
        }
    }
}

struct IntervalCase {
    Strings states;
    int milliseconds;
};

class TimerInterval : public testing::TestWithParam<IntervalCase> {};

TEST_P(TimerInterval, FollowsTheTransitionalStates) {
    std::vector<EC2Instance> listing;
    for (const std::string& state : GetParam().states) listing.push_back(instance("i-" + state, state));
    Harness h;
    h.launched(listing);
    EXPECT_EQ(h.timers.lastInterval(), milliseconds(GetParam().milliseconds));
}

INSTANTIATE_TEST_SUITE_P(States, TimerInterval,
                         testing::Values(IntervalCase{{}, 30000}, IntervalCase{{"running", "pending", "stopped"}, 5000},
                                         IntervalCase{{"stopping"}, 5000}, IntervalCase{{"shutting-down"}, 5000},
                                         IntervalCase{{"Pending", "terminated", "running", "stopped"}, 30000}));

TEST(Timer, EachLandingDisarmsTheOldTimerAndAFiringStartsARefresh) {
    Harness h;
    AppDelegate& app = h.launched();
    app.refresh();
    h.drain();
    EXPECT_EQ(h.timers.started().size(), 2u);
    EXPECT_EQ(h.timers.armedCount(), 1u);

    h.timers.fireLast();
    EXPECT_TRUE(app.loading());
    EXPECT_EQ(h.queue.pending(), 1u);
}

TEST(Timer, FiringWhileLoadingDoesNothingAndArmsNothing) {
    Harness h;
    AppDelegate& app = h.launched();
    app.menuWillOpen();
    const int builds = h.statusItem.menuBuilds;
    h.timers.fireLast();
    EXPECT_EQ(h.queue.pending(), 1u);
    EXPECT_EQ(h.statusItem.menuBuilds, builds);
    EXPECT_EQ(h.timers.started().size(), 1u);
    h.drain();  // the refresh under way arms the next one
    EXPECT_EQ(h.timers.armedCount(), 1u);
    EXPECT_EQ(h.timers.started().size(), 2u);
}

int listings(const FakeGateway& cli) {
    return static_cast<int>(std::count(cli.calls.begin(), cli.calls.end(), "describeInstances"));
}

TEST(Away, TheTimerListsNothingAndTheReturnListsOnceAtOnce) {
    Harness h;
    AppDelegate& app = h.launched();
    h.sessionActivity.set(true);
    h.timers.fireLast();
    EXPECT_FALSE(app.loading());
    EXPECT_EQ(h.queue.pending(), 0u);
    EXPECT_EQ(h.timers.armedCount(), 0u) << "no timer wakes an absent user's machine";

    h.sessionActivity.set(false);
    EXPECT_TRUE(app.loading());
    h.sessionActivity.set(false);  // repeated: still one listing
    h.drain();
    EXPECT_EQ(listings(h.cli), 2);
    EXPECT_EQ(h.timers.armedCount(), 1u) << "the cycle goes on";

    // Back from sleep before the timer came due (timers stand still while the machine
    // sleeps): the list is as old as the sleep, so it is listed at once all the same.
    h.sessionActivity.set(true);
    h.sessionActivity.set(false);
    h.drain();
    EXPECT_EQ(listings(h.cli), 3);
    EXPECT_EQ(h.timers.armedCount(), 1u);
}

TEST(Away, WhatTheUserAsksForIsNeverHeldBack) {
    Harness h;
    h.cli.profileNames = {"dev"};
    AppDelegate& app = h.launched({instance("i-1", "stopped")});
    h.sessionActivity.set(true);
    const std::vector<std::pair<std::string, std::function<void()>>> asks = {
        {"the menu opening", [&] { app.menuWillOpen(); }},
        {"今すぐ更新", [&] { h.choose(MenuAction::reloadNow); }},
        {"a region", [&] { h.choose(MenuAction::selectRegion, std::string("eu-west-1")); }},
        {"a start", [&] { h.choose(MenuAction::startInstance); }},
    };
    for (const auto& [what, ask] : asks) {
        h.cli.listings.push_back(std::vector{instance("i-1", "stopped")});
        const int before = listings(h.cli);
        ask();
        h.drain();
        EXPECT_EQ(listings(h.cli), before + 1) << what;
    }
    h.timers.fireLast();  // armed by the last landing, due while still away
    EXPECT_EQ(h.queue.pending(), 0u);
}

TEST(Lifetime, ALandingAfterTheControllerIsGoneIsDropped) {
    Harness h;
    h.launched().refresh();
    h.queue.runNext();
    h.controller.reset();
    EXPECT_EQ(h.statusItem.delegate, nullptr);
    h.mainThread.runAll();  // must not touch the destroyed controller
    EXPECT_EQ(h.timers.armedCount(), 0u);
    EXPECT_FALSE(h.sessionActivity.listening()) << "an unlock at quitting would call the destroyed controller";
}

}  // namespace
}  // namespace tamsel::test
