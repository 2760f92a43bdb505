// Quitting ends the tool calls under way and refuses new ones. The switch is process-wide
// and one-way, so each case runs in a child process of its own (a death test).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "bridge/AWSError.h"
#include "bridge/ChildProcess.h"
#include "bridge/ToolOutcome.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using namespace std::chrono_literals;

// Runs `body` in a child process; the child exits 0 when body returns true.
template <typename Body>
void inOwnProcess(Body body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(body() ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(StopRunningProcesses, EndsTheCallUnderWayAndRefusesLaterOnes) {
    test::TempDir dir;
    const auto started = dir / "started";
    const auto sleeper = test::writeTool(dir, "aws", "touch '" + started.string() + "'; exec sleep 60");
    const auto marker = dir / "ran";
    const auto recorder = test::writeTool(dir, "record", "touch '" + marker.string() + "'");

    inOwnProcess([&] {
        auto call = std::async(std::launch::async, [&] {
            try {
                toolOutput(runProcess(sleeper.string(), {}, Environment::current().forChild(), 30s), 30s);
                return std::string("returned");
            } catch (const AWSError& error) {
                return error.text();
            }
        });
        while (!std::filesystem::exists(started)) std::this_thread::sleep_for(10ms);
        stopRunningProcesses();
        const std::string outcome = call.get();
        // SIGTERM ended it, long before the 30 s limit, and the failure says so.
        if (outcome != "aws がシグナル 15 で強制終了されました") return false;

        try {
            toolOutput(runProcess(recorder.string(), {}, Environment::current().forChild(), 30s), 30s);
            return false;
        } catch (const AWSError& error) {
            return error.kind() == AWSError::Kind::failed && !std::filesystem::exists(marker);
        }
    });
}

}  // namespace
}  // namespace tamsel
