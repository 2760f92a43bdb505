// The controller on the real gateway, the real work queue and the real aws tool, with
// something changing while a refresh runs: the emulator stopped (the failure shows in the
// menu, and the next refresh the timer fires recovers by itself once the emulator is back),
// or the user switching the region (the old region's list is never shown under the new one);
// and the sweep of the other regions, each seeded differently and one unreachable.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "app/AppDelegate.h"
#include "app/MenuComposer.h"
#include "app/Regions.h"
#include "app/SerialQueue.h"
#include "app/WorkerPool.h"
#include "bridge/AWSCLI.h"
#include "integration/EmulatedCloud.h"
#include "support/FakeDesktop.h"
#include "support/FakeSSH.h"
#include "support/PumpedMainThread.h"
#include "support/ShownTitle.h"

namespace tamsel::test {
namespace {

using namespace std::chrono_literals;

// A hang guard for waits on the emulator and the tool, not a measure of their speed.
constexpr auto kGuard = 120s;

class ScopeExit {
public:
    explicit ScopeExit(std::function<void()> action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> action_;
};

// Waits until `file` exists; false when it has not appeared within kGuard.
bool waitForFile(const std::filesystem::path& file) {
    const auto until = std::chrono::steady_clock::now() + kGuard;
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class RefreshRecovery : public EmulatedCloud {
protected:
    void SetUp() override {
        EmulatedCloud::SetUp();
        if (HasFatalFailure()) return;
        // The real tool against the emulator's fixed port. While the file "hold" exists a
        // listing waits before it starts the tool (and says so with "arrived"), so the test
        // can take the emulator away while the refresh job is running. The wait is bounded.
        // Every call is logged, as by the plain wrapper.
        const std::string d = dir_.path().string();
        wrapper_ =
            writeTool(
                dir_, "held/aws",
                "d='" + d +
                    "'\n"
                    "printf '%s\\0' \"$#\" \"$@\" >> \"$d/calls.log\"\n"
                    "if [ \"$2\" = describe-instances ] && [ -e \"$d/hold\" ]; then\n"
                    "  : > \"$d/arrived\"\n"
                    "  n=0\n"
                    "  while [ -e \"$d/hold\" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done\n"
                    "fi\n"
                    // A call in the region named in "fail-region" goes where nothing listens.
                    "ep='" +
                    moto_->endpoint() +
                    "'\n"
                    "if [ -e \"$d/fail-region\" ]; then\n"
                    "  case \" $* \" in *\" --region $(cat \"$d/fail-region\") \"*) ep=http://127.0.0.1:1 ;; esac\n"
                    "fi\n"
                    "exec " +
                    std::string(kAWSTool) + " --endpoint-url \"$ep\" --cli-connect-timeout 2 \"$@\"")
                .string();
    }

    void TearDown() override {
        release();
        EmulatedCloud::TearDown();
    }

    AWSCLIOptions gatewayOptions() const {
        AWSCLIOptions o = options();
        // One attempt per call: a refused connection fails at once instead of after retries.
        o.environment.set("AWS_MAX_ATTEMPTS", "1");
        o.environment.set("AWS_RETRY_MODE", "standard");
        return o;
    }

    void hold() const { dir_.write("hold", ""); }
    void release() const {
        std::error_code ignored;
        std::filesystem::remove(dir_ / "hold", ignored);
    }
    bool refreshArrivedAtTheTool() const { return waitForFile(dir_ / "arrived"); }

    // Takes the emulator away and brings a fresh one (empty) back on the same port.
    int stopEmulator() {
        const int port = moto_->port();
        moto_->stop();
        return port;
    }
    void restartEmulator(int port) {
        moto_.reset();
        moto_ = std::make_unique<MotoServer>(port);
        images_.clear();
    }
};

// The desktop the controller sees, with the test's main thread.
struct Desktop : FakeDesktop {
    PumpedMainThread mainThread;

    // Titles of the top level of the last menu built.
    std::vector<std::string> menuTitles() const {
        std::vector<std::string> titles;
        for (const MenuItem& item : statusItem.menu)
            if (!item.separator) titles.push_back(test::shownTitle(item));
        return titles;
    }
    bool menuHas(const std::string& title) const {
        const auto titles = menuTitles();
        return std::find(titles.begin(), titles.end(), title) != titles.end();
    }
};

// The controller on the real gateway and the real work queue, on the test's desktop.
struct Controller {
    explicit Controller(AWSCLIOptions options) : gateway(std::move(options)) {}

    Desktop desktop;
    AWSCLI gateway;
    SerialQueue queue;
    SerialQueue signInQueue{"tamsel.signin"};
    WorkerPool sweepQueue{4, "tamsel.sweep"};
    test::FakeSSH ssh;
    AppDelegate app{desktop.platform(desktop.mainThread, queue, signInQueue, sweepQueue), gateway, ssh, "1.0"};
};

std::string describe(const std::vector<std::string>& titles) {
    std::string text;
    for (const auto& title : titles) text += "\n  " + title;
    return text;
}

TEST_F(RefreshRecovery, EmulatorStoppedMidRefreshShowsInTheMenuAndTheNextTimedRefreshRecovers) {
    launch({.name = "web"});

    Controller controller(gatewayOptions());
    Desktop& desktop = controller.desktop;
    AppDelegate& app = controller.app;
    // Whatever happens below, the held tool is let go before the queue joins its job.
    const ScopeExit releaseFirst([this] { release(); });

    app.applicationDidFinishLaunching();
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.loading(); }));
    ASSERT_FALSE(app.lastError().has_value()) << app.lastError()->text();
    ASSERT_EQ(app.instances().size(), 1u);
    EXPECT_EQ(app.instances()[0].name, "web");
    const std::string webLine =
        test::shownDot(dot(app.instances()[0].state)) + "web — " + app.instances()[0].state.word();
    EXPECT_TRUE(desktop.menuHas(webLine)) << describe(desktop.menuTitles());

    // The timer's refresh reaches the tool; the emulator goes while the job runs.
    hold();
    ASSERT_EQ(desktop.timers.armedCount(), 1u);
    desktop.timers.fireLast();
    ASSERT_TRUE(app.loading());
    ASSERT_TRUE(refreshArrivedAtTheTool());
    const int port = stopEmulator();
    release();
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.loading(); }));

    ASSERT_TRUE(app.lastError().has_value());
    EXPECT_NE(app.lastError()->text().find("Could not connect to the endpoint URL"), std::string::npos)
        << app.lastError()->text();
    EXPECT_TRUE(app.instances().empty());
    const auto failed = desktop.menuTitles();
    EXPECT_TRUE(desktop.menuHas("⚠️ AWS に接続できません")) << describe(failed);
    EXPECT_TRUE(desktop.menuHas("　ネットワーク接続を確認してください")) << describe(failed);
    EXPECT_TRUE(desktop.menuHas("　エラーの詳細…")) << describe(failed);
    EXPECT_FALSE(desktop.menuHas(webLine)) << describe(failed);
    ASSERT_TRUE(desktop.statusItem.button.has_value());
    EXPECT_EQ(desktop.statusItem.button->title, " !");
    EXPECT_TRUE(desktop.alerts.shown.empty()) << "a failed refresh shows in the menu, not in an alert";

    // Back on the same port, with an instance of the new emulator's own.
    restartEmulator(port);
    launch({.name = "api"});
    ASSERT_EQ(desktop.timers.armedCount(), 1u) << "the failed landing armed the next refresh";
    desktop.timers.fireLast();
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.loading(); }));

    EXPECT_FALSE(app.lastError().has_value()) << app.lastError()->text();
    ASSERT_EQ(app.instances().size(), 1u);
    EXPECT_EQ(app.instances()[0].name, "api");
    const auto recovered = desktop.menuTitles();
    EXPECT_TRUE(
        desktop.menuHas(test::shownDot(dot(app.instances()[0].state)) + "api — " + app.instances()[0].state.word()))
        << describe(recovered);
    EXPECT_FALSE(desktop.menuHas("⚠️ AWS に接続できません")) << describe(recovered);
    EXPECT_FALSE(desktop.menuHas("　エラーの詳細…")) << describe(recovered);
    EXPECT_EQ(desktop.statusItem.button->title, "");
    EXPECT_EQ(desktop.timers.armedCount(), 1u);
}

TEST_F(RefreshRecovery, ARegionChosenWhileAListingRunsShowsOnlyThatRegionsList) {
    launch({.name = "virginia"});
    launch({.name = "tokyo", .region = "ap-northeast-1"});

    Controller controller(gatewayOptions());
    Desktop& desktop = controller.desktop;
    AppDelegate& app = controller.app;
    const ScopeExit releaseFirst([this] { release(); });
    auto shows = [&](const std::string& name) {
        const auto titles = desktop.menuTitles();
        return std::any_of(titles.begin(), titles.end(), [&](const std::string& title) {
            return title.find(" " + name + " — ") != std::string::npos;
        });
    };

    app.applicationDidFinishLaunching();
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.loading(); }));
    ASSERT_TRUE(shows("virginia")) << describe(desktop.menuTitles());

    // The timer's listing reaches the tool in us-east-1; the user picks Tokyo meanwhile.
    hold();
    desktop.timers.fireLast();
    ASSERT_TRUE(refreshArrivedAtTheTool());
    MenuItem tokyo;
    tokyo.action = MenuAction::selectRegion;
    tokyo.representedObject = std::string("ap-northeast-1");
    app.menuItemChosen(tokyo);
    release();
    bool wrongList = false;
    ASSERT_TRUE(desktop.mainThread.runUntil([&] {
        wrongList = wrongList || shows("virginia");
        return !app.loading();
    }));
    EXPECT_FALSE(wrongList) << "us-east-1's list was shown under ap-northeast-1";
    EXPECT_TRUE(desktop.menuHas("リージョン: ap-northeast-1")) << describe(desktop.menuTitles());
    EXPECT_TRUE(shows("tokyo")) << describe(desktop.menuTitles());
    EXPECT_FALSE(app.lastError().has_value()) << app.lastError()->text();
}

TEST_F(RefreshRecovery, AStartClickedBeforeARegionIsChosenStartsTheInstanceWhereItWasListed) {
    const std::string virginia = launch({.name = "virginia", .finalState = "stopped"});
    launch({.name = "tokyo", .region = "ap-northeast-1"});

    Controller controller(gatewayOptions());
    Desktop& desktop = controller.desktop;
    AppDelegate& app = controller.app;
    const ScopeExit releaseFirst([this] { release(); });
    desktop.settings.values["region"] = std::string("us-east-1");
    app.applicationDidFinishLaunching();
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.loading(); }));
    ASSERT_EQ(app.instances().size(), 1u);

    // A slow listing holds the queue; the user clicks 起動, then picks Tokyo.
    hold();
    desktop.timers.fireLast();
    ASSERT_TRUE(refreshArrivedAtTheTool());
    MenuItem start;
    start.action = MenuAction::startInstance;
    start.representedObject = app.instances()[0];
    app.menuItemChosen(start);
    MenuItem tokyo;
    tokyo.action = MenuAction::selectRegion;
    tokyo.representedObject = std::string("ap-northeast-1");
    app.menuItemChosen(tokyo);
    release();

    // Started where it was listed, or refused in Tokyo (InvalidInstanceID.NotFound).
    ASSERT_TRUE(
        desktop.mainThread.runUntil([&] { return !desktop.alerts.shown.empty() || stateOf(virginia) != "stopped"; }));
    EXPECT_TRUE(desktop.alerts.shown.empty()) << desktop.alerts.shown.at(0).body;
    EXPECT_NE(stateOf(virginia), "stopped");
    EXPECT_TRUE(desktop.menuHas("リージョン: ap-northeast-1")) << describe(desktop.menuTitles());
}

TEST_F(RefreshRecovery, TheSweepCountsTheRunningInstancesOfEachOtherRegionAndNamesTheOneThatFailed) {
    launch({.name = "home"});  // in the chosen region: not counted
    launch({.name = "oregon-1", .region = "us-west-2"});
    launch({.name = "oregon-2", .region = "us-west-2"});
    launch({.name = "frankfurt", .region = "eu-central-1"});
    launch({.name = "resting", .region = "eu-central-1", .finalState = "stopped"});
    launch({.name = "gone", .region = "ap-south-1", .finalState = "terminated"});
    launch({.name = "unseen", .region = "sa-east-1"});
    dir_.write("fail-region", "sa-east-1");

    Controller controller(gatewayOptions());
    Desktop& desktop = controller.desktop;
    AppDelegate& app = controller.app;
    desktop.settings.values["region"] = std::string("us-east-1");
    app.applicationDidFinishLaunching();
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.loading(); }));
    std::filesystem::remove(callLog());

    MenuItem sweep;
    sweep.action = MenuAction::sweepRegions;
    app.menuItemChosen(sweep);
    ASSERT_TRUE(app.sweep().progress.has_value());
    ASSERT_TRUE(desktop.mainThread.runUntil([&] { return !app.sweep().progress; }));

    std::map<std::string, RegionCount, std::less<>> expected;
    for (std::string_view region : kRegions) {
        if (region != "us-east-1") expected[std::string(region)] = 0;
    }
    expected["us-west-2"] = 2;
    expected["eu-central-1"] = 1;
    expected["sa-east-1"] = std::nullopt;
    EXPECT_EQ(app.sweep().counts, expected);
    EXPECT_TRUE(app.sweep().finishedAt.has_value());

    // Drawn in the region menu, the failed region named, the others counted beside it.
    const auto regionMenu = std::find_if(desktop.statusItem.menu.begin(), desktop.statusItem.menu.end(),
                                         [](const MenuItem& item) { return item.title == "リージョン: us-east-1"; });
    ASSERT_NE(regionMenu, desktop.statusItem.menu.end());
    std::vector<std::string> lines;
    for (const MenuItem& item : regionMenu->submenu) lines.push_back(item.title);
    for (const char* line : {"us-east-1", "us-west-2（起動中 2）", "eu-central-1（起動中 1）", "ap-south-1",
                             "sa-east-1（確認できませんでした）"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << describe(lines);
    }

    // One filtered count per other region.
    const Call count = {"ec2",
                        "describe-instances",
                        "--filters",
                        "Name=instance-state-name,Values=running,pending",
                        "--query",
                        "length(Reservations[].Instances[])",
                        "--output",
                        "json",
                        "--no-cli-pager",
                        "--cli-binary-format",
                        "base64",
                        "--region"};
    std::set<std::string> asked;
    for (const Call& call : loggedCalls()) {
        if (call.size() > 1 && call[1] == "describe-images") continue;  // the login user of a listed image
        ASSERT_EQ(call.size(), count.size() + 1) << describe(call);
        EXPECT_TRUE(std::equal(count.begin(), count.end(), call.begin())) << describe(call);
        asked.insert(call.back());
    }
    EXPECT_EQ(asked.size(), 16u);
    EXPECT_EQ(asked.count("us-east-1"), 0u);
}

}  // namespace
}  // namespace tamsel::test
