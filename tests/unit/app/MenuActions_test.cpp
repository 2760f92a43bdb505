// What the menu's entries do, driven through the built menu as a user would.

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "support/ControllerHarness.h"
#include "app/AlertComposer.h"
#include "app/MenuComposer.h"
#include "app/RefreshPolicy.h"

namespace tamsel::test {
namespace {

using Strings = std::vector<std::string>;
using Groups = std::map<std::string, std::string>;

const std::string kNetworkHint = "ネットワーク接続を確認してください";
const std::string kIAMHint = "IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください";
const std::string kAccessDenied = "An error occurred (UnauthorizedOperation) when calling the StartInstances operation";
const std::string kLine = "⚫️ web — stopped";
const std::string kStart = "起動";
const std::string kLock = "起動時に SG を自分の IP 専用にする: ";

// Launched with one stopped instance "web" (i-1) in groups sg-1 and sg-2, and `groups` stored.
void launch(Harness& h, std::optional<Groups> groups = std::nullopt) {
    if (groups) h.settings.values["ingressLockGroups"] = *groups;
    h.launched({instance("i-1", "stopped", "web", {{"sg-1", "web"}, {"sg-2", ""}})});
    h.cli.calls.clear();
}

TEST(Actions, StartWithoutLockRunsOneStartThenOneRefresh) {
    Harness h;
    launch(h);
    h.choose(MenuAction::startInstance);
    h.drain();
    EXPECT_EQ(h.cli.calls, (Strings{"start i-1", "describeInstances"}));
    EXPECT_TRUE(h.alerts.shown.empty());
}

TEST(Actions, LockedStartRunsInOrderAndStopsAtTheFirstFailure) {
    const std::string ingress = "restrictIngress sg-2 203.0.113.7";
    const struct {
        std::string failingCall;
        std::exception_ptr error;
        Strings calls;
        std::string body;
    } cases[] = {
        {"", nullptr, {"globalIPv4", ingress, "start i-1"}, ""},
        {"globalIPv4",
         errorOf(AWSError::ipLookupFailed("timed out")),
         {"globalIPv4"},
         kNetworkHint + "\n\n詳細:\ntimed out"},
        {ingress,
         errorOf(AWSError::failed(kAccessDenied)),
         {"globalIPv4", ingress},
         kIAMHint + "\n\nAWS CLI のメッセージ:\n" + kAccessDenied},
        {"start i-1",
         errorOf(std::runtime_error("spawn failed")),
         {"globalIPv4", ingress, "start i-1"},
         "AWS CLI のメッセージ:\nspawn failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failingCall);
        Harness h;
        launch(h, Groups{{"i-1", "sg-2"}});
        if (c.error) h.cli.failures[c.failingCall] = c.error;
        h.choose(MenuAction::startInstance);
        h.drain();
        Strings expected = c.calls;
        expected.push_back("describeInstances");
        EXPECT_EQ(h.cli.calls, expected);
        if (c.body.empty()) {
            EXPECT_TRUE(h.alerts.shown.empty());
        } else {
            EXPECT_EQ(h.alerts.shown, (std::vector<Alert>{{"操作に失敗しました", c.body, {}, true}}));
        }
    }
}

TEST(Actions, StartWithADetachedLockGroupAlertsAndRunsNothing) {
    Harness h;
    launch(h, Groups{{"i-1", "sg-gone"}});
    h.choose(MenuAction::startInstance);
    EXPECT_EQ(h.alerts.shown, (std::vector<Alert>{{"sg-gone はこのインスタンスに紐づいていません",
                                                   "「起動時に SG を自分の IP 専用にする」を選び直してください",
                                                   {},
                                                   true}}));
    EXPECT_EQ(h.queue.pending(), 0u);
    EXPECT_FALSE(h.controller->loading());
}

TEST(Actions, UnreadableLockMappingCountsAsNoLock) {
    Harness h;
    h.settings.storeGarbage("ingressLockGroups");
    launch(h);
    EXPECT_NE(h.find({kLine, kLock + "しない"}), nullptr);
    h.choose(MenuAction::startInstance);
    h.drain();
    EXPECT_EQ(h.cli.calls, (Strings{"start i-1", "describeInstances"}));
}

TEST(Actions, CopyEntriesPutThePlainTextOnTheClipboardAndTouchNothingElse) {
    Harness h;
    EC2Instance web = instance("i-1", "running", "web");
    web.publicIPv4 = "54.214.191.68";
    web.privateIPv4 = "10.250.18.182";
    h.launched({web});
    h.cli.calls.clear();
    const int builds = h.statusItem.menuBuilds;
    const std::string line = "🟢 web — running";
    h.choose({line, "ID をコピー"});
    h.choose({line, "パブリック IP をコピー（54.214.191.68）"});
    h.choose({line, "プライベート IP をコピー（10.250.18.182）"});
    EXPECT_EQ(h.clipboard.texts, (Strings{"i-1", "54.214.191.68", "10.250.18.182"}));
    EXPECT_EQ(h.queue.pending(), 0u);
    EXPECT_EQ(h.mainThread.pending(), 0u);
    EXPECT_EQ(h.statusItem.menuBuilds, builds);
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_TRUE(h.cli.calls.empty());

    // An entry carrying something other than text copies nothing.
    h.controller->menuItemChosen(entry(MenuAction::copyText, web));
    h.controller->menuItemChosen(entry(MenuAction::copyText));
    EXPECT_EQ(h.clipboard.texts.size(), 3u);
}

TEST(Actions, SSHEntriesReachTheHostSSHReachesAsTheUserItsConfigurationOrImageSays) {
    using Variables = std::map<std::string, std::string>;
    const SSHHostConfig proxied{true, std::nullopt};
    const struct {
        std::string what;
        std::optional<std::string> dns;
        std::optional<std::string> address;
        std::map<std::string, SSHHostConfig> configs;
        std::string copied;  // empty: no entries
        Variables variables;
    } cases[] = {
        {"the configuration reaches the id",
         "ec2-1-2-3-4.compute.amazonaws.com",
         "1.2.3.4",
         {{"i-1", proxied}},
         "AWS_PROFILE=dev AWS_REGION=ap-northeast-1 ssh ubuntu@i-1",
         {{"AWS_PROFILE", "dev"}, {"AWS_REGION", "ap-northeast-1"}}},
        {"and sets the user",
         std::nullopt,
         std::nullopt,
         {{"i-1", {true, "admin"}}},
         "AWS_PROFILE=dev AWS_REGION=ap-northeast-1 ssh i-1",
         {{"AWS_PROFILE", "dev"}, {"AWS_REGION", "ap-northeast-1"}}},
        {"the public name",
         "ec2-1-2-3-4.compute.amazonaws.com",
         "1.2.3.4",
         {},
         "ssh ubuntu@ec2-1-2-3-4.compute.amazonaws.com",
         {}},
        {"the address, its user from the configuration",
         "",
         "1.2.3.4",
         {{"1.2.3.4", {false, "core"}}},
         "ssh 1.2.3.4",
         {}},
        {"no host", std::nullopt, std::nullopt, {}, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.settings.values = {{"profile", std::string("dev")}, {"region", std::string("ap-northeast-1")}};
        h.ssh.configs = c.configs;
        h.cli.images = {{"ami-1", "ubuntu/images/hvm-ssd/ubuntu-jammy-22.04-amd64-server"}};
        EC2Instance web = instance("i-1", "running", "web");
        web.imageID = "ami-1";
        web.publicDNS = c.dns;
        web.publicIPv4 = c.address;
        // A second instance of the same image: its name is asked for once.
        EC2Instance db = web;
        db.id = "i-2";
        db.name = "db";
        h.launched({web, db, instance("i-3", "stopped", "old")});

        const MenuItem* connect = h.find({"🟢 web — running", "SSH で接続"});
        const MenuItem* copy = h.find({"🟢 web — running", "SSH コマンドをコピー"});
        EXPECT_EQ(h.find({"⚫️ old — stopped", "SSH で接続"}), nullptr);
        if (c.copied.empty()) {
            EXPECT_EQ(connect, nullptr);
            EXPECT_EQ(copy, nullptr);
            continue;
        }
        ASSERT_NE(connect, nullptr);
        ASSERT_NE(copy, nullptr);
        h.choose({"🟢 web — running", "SSH コマンドをコピー"});
        EXPECT_EQ(h.clipboard.texts, Strings{c.copied});
        h.choose({"🟢 web — running", "SSH で接続"});
        ASSERT_EQ(h.ssh.opened.size(), 1u);
        EXPECT_EQ(h.ssh.opened[0].command, (Strings{"ssh", c.copied.substr(c.copied.find("ssh ") + 4)}));
        EXPECT_EQ(h.ssh.opened[0].variables, c.variables);
        EXPECT_TRUE(h.alerts.shown.empty());
        const bool askedImage = c.copied.find('@') != std::string::npos;
        EXPECT_EQ(std::count(h.cli.calls.begin(), h.cli.calls.end(), "imageNames ami-1"), askedImage ? 1 : 0);
    }
}

TEST(Actions, SSHWithoutATerminalAlertsAndWithoutSSHShowsNoEntry) {
    Harness h;
    h.ssh.hasTerminal = false;
    EC2Instance web = instance("i-1", "running", "web");
    web.publicIPv4 = "1.2.3.4";
    h.launched({web});
    h.choose({"🟢 web — running", "SSH で接続"});
    ASSERT_EQ(h.alerts.shown.size(), 1u);
    EXPECT_EQ(h.alerts.shown[0].title, "端末が見つかりません");

    Harness without;
    without.ssh.installed = false;
    without.launched({web});
    EXPECT_EQ(without.find({"🟢 web — running", "SSH で接続"}), nullptr);
}

TEST(Actions, StopAsksFirstAndOnlyTheFirstButtonStops) {
    for (int answer : {1, -1, 0}) {
        Harness h;
        const EC2Instance web = instance("i-1", "running", "web"), other = instance("i-2", "running");
        h.launched({web, other});
        h.cli.calls.clear();
        h.alerts.answers = {answer, answer};
        h.choose(MenuAction::stopInstance, web);
        h.choose(MenuAction::stopInstance, other);
        h.drain();
        EXPECT_EQ(h.alerts.shown, (std::vector<Alert>{{"web を停止しますか？", "i-1", {"停止", "キャンセル"}, true},
                                                      {"i-2 を停止しますか？", "i-2", {"停止", "キャンセル"}, true}}));
        const Strings expected =
            answer == 0 ? Strings{"stop i-1", "stop i-2", "describeInstances", "describeInstances"} : Strings{};
        EXPECT_EQ(h.cli.calls, expected) << answer;
    }
}

TEST(Actions, AnAcceptedStartOrStopIsFollowedUntilItSettlesAndNotifiedOnce) {
    using namespace std::chrono_literals;
    using Sent = std::vector<std::pair<std::string, std::string>>;
    struct Listing {
        std::chrono::seconds at;           // after the operation
        std::optional<std::string> state;  // absent: the instance is no longer listed
        std::optional<std::string> address{};
    };
    const struct {
        std::string name;
        std::string from;
        bool fails;
        std::vector<Listing> listings;  // the first is the one right after the operation
        Sent sent;
    } cases[] = {
        {"up, after a listing from before the start",
         "stopped",
         false,
         {{0s, "stopped"}, {5s, "pending"}, {10s, "running", "203.0.113.7"}},
         {{"web が起動しました", "パブリック IP: 203.0.113.7"}}},
        {"up without a public address", "stopped", false, {{0s, "running"}}, {{"web が起動しました", ""}}},
        {"down", "running", false, {{0s, "stopping"}, {5s, "stopped"}}, {{"web が停止しました", ""}}},
        {"start fell back",
         "stopped",
         false,
         {{0s, "pending"}, {5s, "stopped"}},
         {{"web は起動しませんでした（stopped）", ""}}},
        {"gone",
         "stopped",
         false,
         {{0s, "pending"}, {5s, std::nullopt}},
         {{"web は起動しませんでした（terminated）", ""}}},
        {"still changing",
         "stopped",
         false,
         {{0s, "pending"}, {590s, "pending"}, {600s, "pending"}},
         {{"web はまだ pending です", "10 分たっても状態が変わりません"}}},
        {"refused", "stopped", true, {{0s, "stopped"}, {5s, "running"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.launched({instance("i-1", c.from, "web")});
        if (c.fails) h.cli.failures["start i-1"] = errorOf(AWSError::failed(kAccessDenied));
        h.alerts.answers = {0};
        const auto listed = [&](const Listing& listing) {
            std::vector<EC2Instance> instances = {instance("i-2", "running")};
            if (listing.state) {
                instances.push_back(instance("i-1", *listing.state, "web"));
                instances.back().publicIPv4 = listing.address;
            }
            h.cli.listings.push_back(instances);
        };
        const auto operated = h.application.clock;
        listed(c.listings.front());
        h.choose({c.from == "running" ? "🟢 web — running" : kLine, c.from == "running" ? "停止" : kStart});
        h.drain();
        // Each later listing, and the last one once more: nothing is told twice.
        std::vector<Listing> later(c.listings.begin() + 1, c.listings.end());
        later.push_back(c.listings.back());
        for (const Listing& listing : later) {
            h.application.clock = operated + listing.at;
            listed(listing);
            h.controller->refresh();
            h.drain();
        }
        EXPECT_EQ(h.notifications.sent, c.sent);
    }
}

TEST(Actions, AnActionRunsAndIsFollowedUnderTheListItCameFromWhateverIsChosenMeanwhile) {
    const CallTarget listed{std::nullopt, "us-east-1"};
    const struct {
        std::string name;
        std::string state;  // of web (i-1) when clicked
        std::string entry;
        std::optional<Groups> groups;
        Strings path;  // the choice made while the action waits in the queue
        Strings calls;
        std::string settled;  // the state the listings under the old choice then show
        std::string told;
    } cases[] = {
        {"start, region chosen",
         "stopped",
         kStart,
         std::nullopt,
         {"リージョン: us-east-1", "ap-northeast-1"},
         {"start i-1"},
         "running",
         "web が起動しました"},
        {"locked start, profile chosen",
         "stopped",
         kStart,
         Groups{{"i-1", "sg-1"}},
         {"プロファイル: デフォルト", "work"},
         {"globalIPv4", "restrictIngress sg-1 203.0.113.7", "start i-1"},
         "running",
         "web が起動しました"},
        {"stop, region chosen",
         "running",
         "停止",
         std::nullopt,
         {"リージョン: us-east-1", "デフォルト (AWS CLI の設定)"},
         {"stop i-1"},
         "stopped",
         "web が停止しました"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.cli.profileNames = {"work"};
        h.settings.values["region"] = std::string("us-east-1");
        if (c.groups) h.settings.values["ingressLockGroups"] = *c.groups;
        h.launched({instance("i-1", c.state, "web", {{"sg-1", "web"}})});
        h.alerts.answers = {0};
        h.choose({test::shownDot(dot(c.state)) + "web — " + c.state, c.entry});
        h.choose(c.path);  // before the action has run
        h.cli.calls.clear();
        h.cli.targets.clear();
        // Listed under the new choice (nothing there), then after the action under both.
        const EC2Instance changing = instance("i-1", c.state == "running" ? "stopping" : "pending", "web");
        h.cli.listings = {std::vector<EC2Instance>{}, std::vector<EC2Instance>{}, std::vector{changing}};
        h.drain();
        ASSERT_GE(h.cli.calls.size(), c.calls.size());
        for (std::size_t i = 0; i < c.calls.size(); ++i) {
            EXPECT_EQ(h.cli.calls[i], c.calls[i]);
            if (c.calls[i] != "globalIPv4") {
                EXPECT_EQ(h.cli.targets[i], listed) << c.calls[i];
            }
        }
        EXPECT_EQ(h.cli.targets.back(), listed);
        EXPECT_TRUE(h.notifications.sent.empty());
        // Polled as while it changes, under the old choice too, until it settles there.
        EXPECT_EQ(h.timers.lastInterval(), kTransitionalRefreshInterval);
        h.cli.listings = {std::vector<EC2Instance>{}, std::vector{instance("i-1", c.settled, "web")}};
        h.timers.fireLast();
        h.drain();
        EXPECT_EQ(h.notifications.sent, (std::vector<std::pair<std::string, std::string>>{{c.told, ""}}));
        // Settled: only the current choice is listed from now on.
        h.cli.targets.clear();
        h.controller->refresh();
        h.drain();
        EXPECT_EQ(h.cli.targets, (std::vector<CallTarget>{h.controller->target()}));
    }
}

TEST(Actions, ABookedStopRunsWhenDueUnlessCancelledStoppedElsewhereOrMissed) {
    using namespace std::chrono_literals;
    using Sent = std::vector<std::pair<std::string, std::string>>;
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    const std::string line = "🟢 web — running";
    const std::string due = "09:13 に停止予定";  // booked at 07:13:20 in Tokyo, two hours ahead
    const std::string cancel = "予約を取り消す（09:13 に停止）";
    const CallTarget booked{std::nullopt, "us-east-1"};
    const EC2Instance web = instance("i-1", "running", "web");
    const Failure readOnly = Failure::settingsNotSaved("/home/u/.config/orvane/orvane.conf", "Read-only file system");
    const auto restart = [&](Harness& h, std::chrono::hours later) {
        h.controller.reset();
        h.application.clock += later;
        h.launched({web});
    };
    const auto cancelBooking = [&](Harness& h) { h.choose({line, cancel}); };
    const struct {
        std::string name;
        bool unwritable;                          // the settings file takes no writes
        std::function<void(Harness&)> meanwhile;  // between booking and the booked time
        bool stops;
        std::optional<std::string> stopFails;
        Sent sent;
        // What the look just before the stop lists under the booking's region (absent: web, running).
        std::optional<std::vector<EC2Instance>> whenDue = std::nullopt;
        bool dueButNotStopped = false;  // the timer finds it due, yet it is not stopped
    } cases[] = {
        {"carried out under the region it was booked in, after a restart, behind a locked screen",
         false,
         [&](Harness& h) {
             restart(h, 1h);
             h.choose(MenuAction::selectRegion, std::string("ap-northeast-1"));  // i-1 is not listed there
             h.drain();
             h.sessionActivity.set(true);
         },
         true,
         std::nullopt,
         {{"web を予約どおり停止しました", ""}}},
        {"not stored, yet held for this run",
         true,
         [](Harness&) {},
         true,
         std::nullopt,
         {{"web を予約どおり停止しました", ""}}},
        {"refused: told which booking failed, in the alert and a notification",
         false,
         [](Harness&) {},
         true,
         kAccessDenied,
         {{"web の停止予約（09:13）を実行できませんでした", "この操作を行う権限がありません"}}},
        {"stopped and started again by someone while another region is shown",
         false,
         [&](Harness& h) {
             h.choose(MenuAction::selectRegion, std::string("ap-northeast-1"));
             h.drain();
         },
         false,
         std::nullopt,
         {{"web の停止予約（09:13）は、予約のあとで停止されていたため取り消しました", ""}},
         std::vector{[&] {
             auto again = web;
             again.launchTime = std::chrono::sys_days{2023y / 11 / 14} + 23h;  // 47 minutes after the booking
             return again;
         }()},
         true},
        {"stopped by someone while another region is shown",
         false,
         [&](Harness& h) {
             h.choose(MenuAction::selectRegion, std::string("ap-northeast-1"));
             h.drain();
         },
         false,
         std::nullopt,
         {{"web の停止予約（09:13）は、予約のあとで停止されていたため取り消しました", ""}},
         std::vector{instance("i-1", "stopped", "web")},
         true},
        {"due while the machine slept: not carried out late",
         false,
         [&](Harness& h) { h.application.clock += 2h + 2min; },
         false,
         std::nullopt,
         {{"web の停止予約（09:13）はスリープ中だったため実行されませんでした", ""}},
         std::nullopt,
         true},
        {"cancelled", false, cancelBooking, false, std::nullopt, {}},
        {"stopped from elsewhere",
         false,
         [&](Harness& h) {
             h.cli.listings.push_back(std::vector{instance("i-1", "stopping", "web")});
             h.controller->refresh();
             h.drain();
         },
         false,
         std::nullopt,
         {}},
        {"terminated from elsewhere",
         false,
         [&](Harness& h) {
             h.controller->refresh();  // listed no more
             h.drain();
         },
         false,
         std::nullopt,
         {}},
        {"passed while orvane was not running, with entries that cannot be read",
         false,
         [&](Harness& h) {
             h.controller.reset();
             auto stored = *h.settings.stringMap("stopBookings");
             stored["i-7"] = R"({"at":"2023-11-14T22:00:00Z","region":"us-east-1"})";  // no name: the id
             stored["i-8"] = R"({"at":"tomorrow","name":"x"})";
             stored["i-9"] = "i-9";
             stored["i-6"] = R"({"at":"9999-12-31T23:59:59Z","name":"far"})";  // beyond the clock
             h.settings.values["stopBookings"] = stored;
             restart(h, 3h);
         },
         false,
         std::nullopt,
         {{"web の停止予約（09:13）は orvane が動いていなかったため実行されませんでした", ""},
          {"i-7 の停止予約（07:00）は orvane が動いていなかったため実行されませんでした", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.settings.values["region"] = std::string("us-east-1");
        h.launched({web});
        const auto bookedAt = h.application.clock;
        if (c.unwritable) h.settings.failure = readOnly;
        h.choose({line, "停止を予約", "2 時間後"});
        EXPECT_EQ(h.alerts.shown,
                  c.unwritable ? std::vector<Alert>{settingsNotSavedAlert(readOnly)} : std::vector<Alert>{});
        ASSERT_NE(h.find({line, due}), nullptr);
        EXPECT_FALSE(h.find({line, due})->enabled);
        EXPECT_TRUE(h.find({line, cancel})->enabled);
        if (!c.unwritable) {
            EXPECT_EQ(h.settings.stringMap("stopBookings"),
                      (Groups{{"i-1", R"({"at":"2023-11-15T00:13:20Z","booked":"2023-11-14T22:13:20Z",)"
                                      R"("name":"web","region":"us-east-1"})"}}));
        }

        c.meanwhile(h);
        h.alerts.shown.clear();
        h.cli.calls.clear();
        h.cli.targets.clear();
        if (c.stopFails) h.cli.failures["stop i-1"] = errorOf(AWSError::failed(*c.stopFails));
        h.cli.listings.push_back(c.whenDue.value_or(std::vector{web}));
        for (int i = 0; i < 3; ++i) h.cli.listings.push_back(std::vector{instance("i-1", "stopped", "web")});
        h.application.clock = std::max(h.application.clock, bookedAt + 2h);
        EXPECT_EQ(h.timers.fireArmed(kStopBookingCheck), c.stops || c.dueButNotStopped);
        h.drain();

        const auto stop = std::find(h.cli.calls.begin(), h.cli.calls.end(), "stop i-1");
        EXPECT_EQ(stop != h.cli.calls.end(), c.stops);
        if (stop != h.cli.calls.end()) {
            EXPECT_EQ(h.cli.targets[stop - h.cli.calls.begin()], booked);
        }
        if (!h.cli.calls.empty() && (c.stops || c.dueButNotStopped)) {
            // Looked at first, under the booking's region, whatever is shown.
            EXPECT_EQ(h.cli.calls.front(), "describeInstances");
            EXPECT_EQ(h.cli.targets.front(), booked);
        }
        EXPECT_EQ(h.alerts.shown.size(), c.stopFails ? 1u : 0u);
        if (c.stopFails) {
            EXPECT_EQ(h.alerts.shown.at(0).title, "web の停止予約（09:13）を実行できませんでした");
        }
        EXPECT_EQ(h.notifications.sent, c.sent);
        EXPECT_TRUE(h.settings.stringMap("stopBookings").value_or(Groups{}).empty());
        EXPECT_EQ(h.find({line, due}), nullptr);
        EXPECT_EQ(h.timers.fireArmed(kStopBookingCheck), false) << "a booking is left";
    }
}

TEST(Actions, FollowUpRefreshIsQueuedEvenWhileOneIsUnderWayAndAfterTheAlert) {
    Harness h;
    launch(h);
    h.cli.failures["start i-1"] = errorOf(AWSError::cliNotFound());
    h.choose(MenuAction::startInstance);
    h.controller->menuWillOpen();  // a refresh queued behind the start
    h.alerts.onRun = [&] { EXPECT_EQ(h.queue.pending(), 1u) << "follow-up queued before the alert was dismissed"; };
    h.queue.runNext();
    h.mainThread.runNext();  // the start's failure lands while that refresh is under way
    EXPECT_EQ(h.alerts.shown.at(0).body, "AWS CLI v2 をインストールしてください");
    EXPECT_EQ(h.queue.pending(), 2u);
    const std::size_t timers = h.timers.started().size();
    h.drain();
    EXPECT_EQ(h.cli.calls, (Strings{"start i-1", "describeInstances", "describeInstances"}));
    EXPECT_EQ(h.timers.started().size(), timers + 2);  // two landings
    EXPECT_FALSE(h.controller->loading());
}

TEST(FailureAlert, BodyPerErrorCase) {
    const struct {
        Failure error;
        std::optional<std::string> hint;
        std::string body;
    } cases[] = {
        {AWSError::cliNotFound(), std::nullopt, "AWS CLI v2 をインストールしてください"},
        {AWSError::failed(""), std::nullopt, ""},
        {AWSError::failed("odd"), std::nullopt, "AWS CLI のメッセージ:\nodd"},
        {AWSError::failed("odd"), "given", "given\n\nAWS CLI のメッセージ:\nodd"},
        {AWSError::failed(""), "given", "given"},
        {Failure::unexpected("no pipe"), std::nullopt, "AWS CLI のメッセージ:\nno pipe"},
        {AWSError::ipLookupFailed(""), std::nullopt, kNetworkHint},
        {AWSError::ipLookupFailed("bad answer"), std::nullopt, kNetworkHint + "\n\n詳細:\nbad answer"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureAlert(c.error, "T", c.hint), (Alert{"T", c.body, {}, true})) << c.error.text();
    }
}

TEST(Actions, ErrorDetailShowsTheLastError) {
    Harness h;
    launch(h);
    h.controller->menuItemChosen(entry(MenuAction::showErrorDetail));
    EXPECT_TRUE(h.alerts.shown.empty());

    h.cli.listings.push_back(errorOf(AWSError::failed(kAccessDenied)));
    h.controller->refresh();
    h.drain();
    h.choose(MenuAction::showErrorDetail);
    EXPECT_EQ(
        h.alerts.shown,
        (std::vector<Alert>{
            {"この操作を行う権限がありません", kIAMHint + "\n\nAWS CLI のメッセージ:\n" + kAccessDenied, {}, true}}));
}

TEST(Actions, SignInRunsBesideTheWorkQueueThenListsOrAlerts) {
    const std::string expired = "Error loading SSO Token: Token for dev does not exist";
    const std::string missing = "Missing the following required SSO configuration values: sso_start_url, sso_region.";
    const std::string entryTitle = "　aws sso login を実行…";
    const std::string waiting = "　ブラウザでのサインインを待っています…";
    const struct {
        const char* what;
        std::optional<std::string> failure;
        bool controllerGone;
        Strings calls;
        std::vector<Alert> alerts;
    } cases[] = {
        {"signed in", std::nullopt, false, {"ssoLogin", "describeInstances"}, {}},
        {"failed",
         missing,
         false,
         {"ssoLogin"},
         {{"サインインできませんでした",
           "AWS CLI でエラーが発生しました\n\nAWS CLI のメッセージ:\n" + missing,
           {},
           true}}},
        {"landing after quitting", missing, true, {"ssoLogin"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.settings.values["profile"] = std::string("dev");
        launch(h);
        h.cli.listings.push_back(errorOf(AWSError::failed(expired)));
        h.controller->refresh();
        h.drain();
        h.cli.calls.clear();
        h.cli.targets.clear();
        if (c.failure) h.cli.failures["ssoLogin"] = errorOf(AWSError::failed(*c.failure));

        h.choose({entryTitle});
        // The browser may wait for minutes: the work queue stays free meanwhile.
        EXPECT_EQ(h.queue.pending(), 0u);
        EXPECT_EQ(h.signInQueue.pending(), 1u);
        ASSERT_NE(h.find({waiting}), nullptr);
        EXPECT_FALSE(h.find({waiting})->enabled);
        EXPECT_EQ(h.find({entryTitle}), nullptr);
        h.controller->menuItemChosen(entry(MenuAction::ssoLogin));
        EXPECT_EQ(h.signInQueue.pending(), 1u) << "a second sign-in started";

        if (c.controllerGone) h.controller.reset();
        h.drain();
        EXPECT_EQ(h.cli.calls, c.calls);
        EXPECT_EQ(h.cli.targets.front(), (CallTarget{"dev", std::nullopt})) << "signed in for the chosen profile";
        EXPECT_EQ(h.alerts.shown, c.alerts);
        if (c.controllerGone) continue;
        EXPECT_FALSE(h.controller->signingIn());
        EXPECT_EQ(h.find({waiting}), nullptr);
        EXPECT_EQ(h.find({entryTitle}) != nullptr, c.failure.has_value());
    }
}

TEST(Actions, SignInOffersWhatTheToolPrintedWhileItWaits) {
    // Without a browser the tool prints where to sign in; the user needs it from the menu.
    const std::string device = "https://device.sso.us-east-1.amazonaws.com/";
    const std::string authorize = "https://oidc.us-east-1.amazonaws.com/authorize?response_type=code&client_id=c1";
    const std::string copyURL = "　サインイン用の URL をコピー";
    const std::string copyCode = "　コードをコピー（ABCD-EFGH）";
    const struct {
        SignInPrompt prompt;
        Strings copied;
        std::pair<std::string, std::string> told;
    } cases[] = {
        {{device, "ABCD-EFGH"},
         {device, "ABCD-EFGH"},
         {"ブラウザで次の URL を開き、コード ABCD-EFGH を入力してください", device}},
        {{authorize, std::nullopt}, {authorize}, {"ブラウザで次の URL を開いてください", authorize}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prompt.url);
        Harness h;
        launch(h);
        h.cli.listings.push_back(errorOf(AWSError::failed("Error loading SSO Token: Token for dev does not exist")));
        h.controller->refresh();
        h.drain();
        h.cli.signInPrompts = {c.prompt};

        h.choose(MenuAction::ssoLogin);
        h.signInQueue.runNext();
        h.mainThread.runNext();  // the prompt lands; the sign-in's end waits behind it
        h.choose({copyURL});
        if (c.prompt.code) h.choose({copyCode});
        EXPECT_EQ(h.find({copyCode}) != nullptr, c.prompt.code.has_value());
        EXPECT_EQ(h.clipboard.texts, c.copied);

        h.drain();
        EXPECT_EQ(h.find({copyURL}), nullptr) << "the sign-in has ended";
        EXPECT_EQ(h.notifications.sent, (std::vector<std::pair<std::string, std::string>>{c.told}));
    }
}

TEST(Actions, TheSweepCountsTheOtherRegionsBesideTheWorkQueueAndKeepsThemForTheProfile) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    const std::string entryTitle = "ほかのリージョンを確認";
    const auto countCalls = [](const Harness& h) {
        return std::count_if(h.cli.calls.begin(), h.cli.calls.end(),
                             [](const std::string& call) { return call.starts_with("countActiveInstances "); });
    };
    Harness h;
    h.cli.profileNames = {"work"};
    h.settings.values["region"] = std::string("us-east-1");
    launch(h);
    h.cli.targets.clear();
    h.cli.counts = {{"us-east-2", 2}, {"eu-west-1", 1}, {"ap-south-1", 0}};
    h.cli.failures["countActiveInstances sa-east-1"] = errorOf(AWSError::failed("Could not connect"));
    // A count that wants an MFA code fails as any other: the sweep never asks for one.
    h.cli.failures["countActiveInstances eu-north-1"] =
        errorOf(AWSError::failed("Enter MFA code for arn:aws:iam::123456789012:mfa/me:"));

    h.choose({"リージョン: us-east-1", entryTitle});
    // Counted on the sweep queue: listings and actions go on meanwhile.
    EXPECT_EQ(h.sweepQueue.pending(), 16u);
    EXPECT_EQ(h.queue.pending(), 0u);
    ASSERT_NE(h.find({"リージョン: us-east-1", "確認中… 0/16"}), nullptr);
    EXPECT_FALSE(h.find({"リージョン: us-east-1", "確認中… 0/16"})->enabled);
    h.controller->menuItemChosen(entry(MenuAction::sweepRegions));
    EXPECT_EQ(h.sweepQueue.pending(), 16u) << "a second sweep started";
    for (int i = 0; i < 5; ++i) h.sweepQueue.runNext();
    h.mainThread.runAll();
    EXPECT_NE(h.find({"リージョン: us-east-1", "確認中… 5/16"}), nullptr);
    EXPECT_NE(h.find({"リージョン: us-east-1", "us-east-2（起動中 2）"}), nullptr) << "shown as it lands";

    h.application.clock += std::chrono::minutes(3);  // 07:16 in Tokyo
    h.drain();
    // Each other region once, under the current profile.
    std::set<std::string> asked;
    for (std::size_t i = 0; i < h.cli.calls.size(); ++i) {
        if (!h.cli.calls[i].starts_with("countActiveInstances ")) continue;
        EXPECT_EQ(h.cli.targets[i].profile, std::nullopt);
        asked.insert(h.cli.targets[i].region.value_or(""));
    }
    EXPECT_EQ(asked.size(), 16u);
    EXPECT_EQ(asked.count("us-east-1"), 0u);
    Strings lines;
    for (const MenuItem& item : h.find({"リージョン: us-east-1"})->submenu) lines.push_back(item.title);
    EXPECT_EQ(Strings(lines.begin() + 2, lines.begin() + 6),
              (Strings{"us-east-1", "us-east-2（起動中 2）", "us-west-1", "us-west-2"}));
    EXPECT_EQ(lines.at(11), "ap-south-1");
    EXPECT_EQ(lines.at(14), "eu-west-1（起動中 1）");
    EXPECT_EQ(lines.at(17), "eu-north-1（確認できませんでした）");
    EXPECT_EQ(lines.at(18), "sa-east-1（確認できませんでした）");
    EXPECT_EQ(lines.back(), entryTitle + "（07:16）");
    EXPECT_TRUE(h.find({"リージョン: us-east-1", entryTitle + "（07:16）"})->enabled);
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_TRUE(h.alerts.asked.empty());

    // Choosing a region keeps the counts.
    h.choose({"リージョン: us-east-1", "eu-west-1（起動中 1）"});
    h.drain();
    EXPECT_NE(h.find({"リージョン: eu-west-1", "us-east-2（起動中 2）"}), nullptr);
    EXPECT_NE(h.find({"リージョン: eu-west-1", entryTitle + "（07:16）"}), nullptr);

    // Another profile forgets them, and drops a sweep under way: a call under way is told to
    // end at once (it would hold a thread of the sweep queue from a new sweep), and its calls
    // not yet made are skipped.
    h.choose({"リージョン: eu-west-1", entryTitle + "（07:16）"});
    h.sweepQueue.runNext();
    std::optional<bool> toldToEnd;
    h.cli.whileCounting = [&](const std::stop_token& stop) {
        h.choose({"プロファイル: デフォルト", "work"});
        toldToEnd = stop.stop_requested();
    };
    h.sweepQueue.runNext();
    h.cli.whileCounting = nullptr;
    EXPECT_EQ(toldToEnd, true);
    const auto before = countCalls(h);
    h.drain();
    EXPECT_EQ(countCalls(h), before);
    EXPECT_NE(h.find({"リージョン: eu-west-1", "us-east-1"}), nullptr);
    EXPECT_NE(h.find({"リージョン: eu-west-1", "us-east-2"}), nullptr);
    EXPECT_NE(h.find({"リージョン: eu-west-1", entryTitle}), nullptr);
    EXPECT_EQ(h.controller->sweep(), SweepView{});

    // With no region chosen, which one the tool's configuration names is not known: all are counted.
    h.choose({"リージョン: eu-west-1", "デフォルト (AWS CLI の設定)"});
    h.cli.targets.clear();
    h.cli.calls.clear();
    h.choose({"リージョン: デフォルト", entryTitle});
    EXPECT_NE(h.find({"リージョン: デフォルト", "確認中… 0/17"}), nullptr);
    h.drain();
    EXPECT_EQ(countCalls(h), 17);
    EXPECT_EQ(h.cli.targets.back().profile, "work");
}

TEST(Actions, ProfileAndRegionChoicesAreAppliedStoredAndRefreshed) {
    Harness h;
    h.cli.profileNames = {"work"};
    launch(h);
    const struct {
        Strings path;
        std::string key;
        std::optional<std::string> value;
    } cases[] = {
        {{"プロファイル: デフォルト", "work"}, "profile", "work"},
        {{"プロファイル: work", "デフォルト"}, "profile", std::nullopt},
        {{"リージョン: デフォルト", "eu-north-1"}, "region", "eu-north-1"},
        {{"リージョン: eu-north-1", "デフォルト (AWS CLI の設定)"}, "region", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.back());
        h.cli.listings.push_back(std::vector{instance("i-1", "stopped", "web")});
        h.choose(c.path);
        EXPECT_EQ(h.settings.string(c.key), c.value);
        EXPECT_EQ(h.settings.values.count(c.key), c.value ? 1u : 0u);
        EXPECT_TRUE(h.controller->instances().empty());
        EXPECT_EQ(h.queue.pending(), 1u);
        h.drain();
        const CallTarget& listedUnder = h.cli.targets.back();
        EXPECT_EQ(c.key == "profile" ? listedUnder.profile : listedUnder.region, c.value);
    }
    // A carried value of the wrong kind is the default; while a refresh is under way no
    // second one is queued.
    h.choose({"プロファイル: デフォルト", "work"});
    h.drain();
    h.controller->refresh();
    h.controller->menuItemChosen(entry(MenuAction::selectProfile, LockChoice{"i-1", "x"}));
    EXPECT_EQ(h.controller->target().profile, std::nullopt);
    EXPECT_EQ(h.queue.pending(), 1u);
}

TEST(Actions, LockChoiceAsksFirstAndStoresTheWholeMapping) {
    Harness h;
    launch(h, Groups{{"i-other", "sg-9"}});
    const Alert confirmation = ingressLockConfirmation("sg-1");
    EXPECT_EQ(confirmation.title, "sg-1 のインバウンドルールを起動のたびに書き換えますか？");
    EXPECT_EQ(confirmation.body,
              "このアプリからインスタンスを起動するたびに、このセキュリティグループのインバウンドルールをすべて削除し、"
              "このコンピューターのグローバル IP アドレスからの全トラフィックを許可するルールだけにします。\n\n"
              "同じセキュリティグループを使っている他のリソースにも影響します。");
    EXPECT_EQ(confirmation.buttons, (Strings{"有効にする", "キャンセル"}));

    h.alerts.answers = {1};
    h.choose({kLine, kLock + "しない", "web (sg-1)"});
    EXPECT_EQ(h.settings.stringMap("ingressLockGroups"), (Groups{{"i-other", "sg-9"}}));

    h.alerts.answers = {0, 0};
    h.alerts.onRun = [&] { h.settings.setStringMap("ingressLockGroups", {{"i-new", "sg-3"}}); };
    h.choose({kLine, kLock + "しない", "web (sg-1)"});
    EXPECT_EQ(h.alerts.shown.back(), confirmation);
    EXPECT_EQ(h.settings.stringMap("ingressLockGroups"), (Groups{{"i-new", "sg-3"}, {"i-1", "sg-1"}}));
    h.alerts.onRun = nullptr;
    h.choose({kLine, kLock + "web (sg-1)", "sg-2"});
    EXPECT_EQ(h.settings.stringMap("ingressLockGroups"), (Groups{{"i-new", "sg-3"}, {"i-1", "sg-2"}}));
    EXPECT_NE(h.find({kLine, kLock + "sg-2"}), nullptr);

    h.settings.setStringMap("ingressLockGroups", {{"i-1", "sg-2"}});
    h.choose({kLine, kLock + "sg-2", "しない"});
    EXPECT_EQ(h.settings.stringMap("ingressLockGroups"), Groups{});  // stored, empty
    EXPECT_EQ(h.alerts.shown.size(), 3u);
    EXPECT_TRUE(h.cli.calls.empty());
}

TEST(Actions, ASettingThatCannotBeStoredIsReportedKeptAndStoredWithTheNextChange) {
    Harness h;
    h.cli.profileNames = {"work"};
    launch(h);
    h.settings.failure = Failure::settingsNotSaved("/home/u/.config/orvane/orvane.conf", "Read-only file system");
    const Alert unsaved{"設定を保存できませんでした",
                        "設定ファイル: /home/u/.config/orvane/orvane.conf\n理由: Read-only file system\n\n"
                        "この選択は終了するまで有効です。次に設定を変更したときに、もう一度保存します。",
                        {},
                        true};

    const EC2Instance web = instance("i-1", "stopped", "web", {{"sg-1", "web"}, {"sg-2", ""}});
    h.cli.listings = {std::vector{web}, std::vector{web}};
    h.choose({"プロファイル: デフォルト", "work"});
    EXPECT_EQ(h.alerts.shown, std::vector<Alert>{unsaved});
    EXPECT_EQ(h.controller->target().profile, "work");
    EXPECT_EQ(h.queue.pending(), 1u) << "the refresh for the new profile is queued";
    h.drain();

    h.alerts.answers = {0};
    h.choose({kLine, kLock + "しない", "web (sg-1)"});
    EXPECT_EQ(h.alerts.shown.size(), 3u);  // the confirmation, then the failure
    EXPECT_EQ(h.alerts.shown.back(), unsaved);
    EXPECT_TRUE(h.settings.values.empty());
    // Kept for this run: the menu shows the lock and a start uses it.
    EXPECT_NE(h.find({kLine, kLock + "web (sg-1)"}), nullptr);
    h.cli.calls.clear();
    h.choose(MenuAction::startInstance);
    h.drain();
    EXPECT_EQ(h.cli.calls,
              (Strings{"globalIPv4", "restrictIngress sg-1 203.0.113.7", "start i-1", "describeInstances"}));

    // The file takes writes again: the next change stores what was kept too.
    h.settings.failure.reset();
    h.choose(MenuAction::selectRegion, std::string("eu-north-1"));
    EXPECT_EQ(h.alerts.shown.size(), 3u);
    EXPECT_EQ(h.settings.string("region"), "eu-north-1");
    EXPECT_EQ(h.settings.string("profile"), "work");
    EXPECT_EQ(h.settings.stringMap("ingressLockGroups"), (Groups{{"i-1", "sg-1"}}));
}

TEST(Actions, FavouritesAreStoredPerProfileAndRegionAndDroppedOnlyByTheirOwnSuccessfulListing) {
    Harness h;
    // Another profile's line and the line of both defaults: never touched from here.
    const Groups others{{"work.us-east-1", "i-1 i-9"}, {".", "i-8"}};
    h.settings.values["region"] = std::string("us-east-1");
    h.settings.values["favourites"] = others;
    const EC2Instance web = instance("i-1", "stopped", "web"), db = instance("i-2", "running", "db");
    h.launched({web, db});
    EXPECT_EQ(h.find(MenuAction::toggleFavouritesOnly), nullptr);

    h.choose({"🟢 db — running", "お気に入りに追加"});
    Groups stored = others;
    stored[".us-east-1"] = "i-2";
    EXPECT_EQ(h.settings.stringMap("favourites"), stored);
    EXPECT_EQ(test::shownTitle(h.statusItem.menu[3]), "🟢 ★ db — running");
    EXPECT_NE(h.find(MenuAction::toggleFavouritesOnly), nullptr);
    h.choose({kLine, "お気に入りに追加"});
    stored[".us-east-1"] = "i-1 i-2";
    EXPECT_EQ(h.settings.stringMap("favourites"), stored);

    h.choose({"⚫️ ★ web — stopped", "お気に入りから外す"});
    stored[".us-east-1"] = "i-2";
    EXPECT_EQ(h.settings.stringMap("favourites"), stored);
    h.choose({"お気に入りだけ表示"});
    EXPECT_EQ(h.settings.string("favouritesOnly"), "true");
    EXPECT_TRUE(h.find(MenuAction::toggleFavouritesOnly)->checked);
    EXPECT_NE(h.find({"ほかに 1 台"}), nullptr);
    EXPECT_EQ(h.find({kLine}), nullptr);

    // A failed listing, and one of another region, drop nothing; the own listing without it does.
    h.cli.listings = {errorOf(AWSError::failed(kAccessDenied)), std::vector{web}, std::vector{web}};
    h.controller->refresh();
    h.drain();
    EXPECT_EQ(h.settings.stringMap("favourites"), stored);
    h.choose({"リージョン: us-east-1", "eu-north-1"});
    h.drain();
    EXPECT_EQ(h.settings.stringMap("favourites"), stored);
    EXPECT_EQ(h.find(MenuAction::toggleFavouritesOnly), nullptr);
    EXPECT_NE(h.find({kLine}), nullptr) << "no favourites here: the whole list";
    h.choose({"リージョン: eu-north-1", "us-east-1"});
    h.drain();
    EXPECT_EQ(h.settings.stringMap("favourites"), others);
    EXPECT_NE(h.find({kLine}), nullptr);
    EXPECT_TRUE(h.alerts.shown.empty());
}

TEST(Actions, LoginToggleSwitchesFromEachStatusAndReportsFailures) {
    Harness h;
    launch(h);
    h.choose(MenuAction::toggleLogin);
    EXPECT_TRUE(h.loginItem.enabled);
    EXPECT_TRUE(h.find(MenuAction::toggleLogin)->checked);
    h.choose(MenuAction::toggleLogin);
    EXPECT_FALSE(h.find(MenuAction::toggleLogin)->checked);
    EXPECT_EQ(h.loginItem.calls, (Strings{"enable", "disable"}));

    h.loginItem.failure = "autostart: permission denied";
    const int builds = h.statusItem.menuBuilds;
    h.choose(MenuAction::toggleLogin);
    EXPECT_EQ(h.alerts.shown,
              (std::vector<Alert>{{"ログイン項目の設定に失敗しました", "autostart: permission denied", {}, false}}));
    EXPECT_EQ(h.statusItem.menuBuilds, builds + 1);
}

TEST(Actions, QuitEndsTheApplicationAndForeignValuesDoNothing) {
    Harness h;
    launch(h);
    h.choose(MenuAction::terminate);
    EXPECT_EQ(h.application.quits, 1);
    for (MenuAction action :
         {MenuAction::startInstance, MenuAction::stopInstance, MenuAction::selectIngressLockGroup}) {
        h.controller->menuItemChosen(entry(action, std::string("i-1")));
        h.controller->menuItemChosen(entry(action, RepresentedObject{}));
    }
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_EQ(h.queue.pending(), 0u);
    EXPECT_EQ(h.settings.values.count("ingressLockGroups"), 0u);
}

}  // namespace
}  // namespace tamsel::test
