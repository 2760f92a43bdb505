#include "platform/qt/EndingHook.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>

#include "bridge/ChildProcess.h"
#include "support/ProcessCensus.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using namespace std::chrono_literals;

// Each way out runs in a death-test child, which runs the test again from its start in a
// process of its own; it finds the parent's folder through this variable.
constexpr const char* kSharedFolder = "ORVANE_ENDING_TEST_FOLDER";

// The folder of the test: the parent's own, which its death-test child inherits. Writes
// the tool there in the parent: it and the helper it starts both ignore SIGTERM, and it
// writes its pid (the group's id) and the helper's to ./pid once running.
std::filesystem::path sharedFolder(const test::TempDir& own) {
    if (const char* inherited = std::getenv(kSharedFolder)) return inherited;
    setenv(kSharedFolder, own.path().c_str(), 1);
    const std::string pid = (own / "pid").string();
    test::writeTool(own, "aws",
                    "trap '' TERM; sleep 60 >/dev/null 2>&1 & echo $$ $! > '" + pid + ".new'; mv '" + pid + ".new' '" +
                        pid + "'; exec sleep 60");
    return own.path();
}

// In the child: installs the hook and returns once a call of that tool is under way.
void startStubbornCall(const std::filesystem::path& folder) {
    EndingHook::install();
    const std::string tool = (folder / "aws").string();
    std::thread([tool] {
        try {
            runProcess(tool, {}, Environment::current().forChild(), 60s);
        } catch (...) {
        }
    }).detach();
    while (!std::filesystem::exists(folder / "pid")) std::this_thread::sleep_for(10ms);
}

struct WayOut {
    const char* name;
    void (*end)();
    std::function<bool(int)> ended;  // the exit status it gives
    bool endsTheCall = true;         // false: the call is still running when the process has gone

    friend void PrintTo(const WayOut& way, std::ostream* out) { *out << way.name; }
};

class EndingHookWayOut : public testing::TestWithParam<WayOut> {};

TEST_P(EndingHookWayOut, EndsTheCallUnderWayWithItsWholeGroup) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const test::TempDir own;
    const std::filesystem::path folder = sharedFolder(own);

    EXPECT_EXIT(
        {
            startStubbornCall(folder);
            GetParam().end();
        },
        GetParam().ended, "");
    unsetenv(kSharedFolder);

    pid_t group = 0;
    pid_t helper = 0;
    std::istringstream(test::readFile(folder / "pid")) >> group >> helper;
    ASSERT_GT(helper, 0) << "the tool did not get to run";
    if (GetParam().endsTheCall) {
        // SIGKILL has gone out before the process ended: only the kernel's moment is waited for.
        for (int i = 0; i < 100 && !test::liveMembersOf(group).empty(); ++i) std::this_thread::sleep_for(10ms);
        EXPECT_EQ(test::liveMembersOf(group), std::vector<pid_t>{}) << "the call's group outlived the process";
    } else {
        // Those two by their pids: the mv that wrote the pid file may not have exited yet.
        const std::vector<pid_t> live = test::liveMembersOf(group);
        for (const pid_t pid : {group, helper})
            EXPECT_NE(std::find(live.begin(), live.end(), pid), live.end()) << pid << " of the call no longer runs";
    }
    killpg(group, SIGKILL);  // whatever is left
}

INSTANTIATE_TEST_SUITE_P(Cases, EndingHookWayOut,
                         testing::Values(
                             // Qt's xcb plugin when the X connection breaks.
                             WayOut{"exitFromWithinQt", [] { std::exit(1); }, testing::ExitedWithCode(1)},
                             WayOut{"fatalMessage", [] { qFatal("a fatal error"); }, testing::KilledBySignal(SIGABRT)},
                             // Qt 6.4's Wayland plugin when its connection breaks: no exit handler runs.
                             WayOut{"waylandConnectionBroke",
                                    [] {
                                        qWarning("The Wayland connection broke. Did the Wayland compositor die?");
                                        _exit(1);
                                    },
                                    testing::ExitedWithCode(1)},
                             // An ordinary warning is no way out: the call goes on (the process then ends without
                             // any handler, so that the call is found running).
                             WayOut{"ordinaryWarning",
                                    [] {
                                        qWarning("QSystemTrayIcon::setVisible: No Icon set");
                                        std::_Exit(0);
                                    },
                                    testing::ExitedWithCode(0), false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tamsel
