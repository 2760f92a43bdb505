// The sweep's pool: a few jobs at once, quitting with work pending, and its lower priority.

#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "app/WorkerPool.h"
#include "bridge/ChildProcess.h"

namespace tamsel::test {
namespace {

using namespace std::chrono_literals;

TEST(WorkerPool, RunsAtMostItsThreadsAtOnceAndOnDestructionFinishesThoseAndDropsTheRest) {
    // Sets its promise when destroyed, that is when the pool lets go of the jobs holding it.
    struct Signal {
        std::promise<void> promise;
        ~Signal() { promise.set_value(); }
    };
    auto signal = std::make_shared<Signal>();
    auto dropped = signal->promise.get_future();
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0, running = 0, peak = 0;
    bool open = false;

    auto pool = std::make_unique<WorkerPool>(4, "tamsel.sweep");
    for (int i = 0; i < 4; ++i) {
        pool->async([&] {
            std::unique_lock lock(mutex);
            ++started;
            peak = std::max(peak, ++running);
            changed.notify_all();
            changed.wait(lock, [&] { return open; });
            --running;
        });
    }
    for (int i = 0; i < 2; ++i)
        pool->async([&started, &mutex, signal] {
            std::lock_guard lock(mutex);
            ++started;
        });
    signal.reset();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 30s, [&] { return started == 4; })) << "four did not run side by side";
    }
    std::this_thread::sleep_for(100ms);  // room for a fifth to start, were it let
    std::thread destroyer([&] { pool.reset(); });
    dropped.wait();  // the waiting jobs are dropped while the four still run
    {
        std::lock_guard lock(mutex);
        open = true;
    }
    changed.notify_all();
    destroyer.join();
    EXPECT_EQ(started, 4);
    EXPECT_EQ(peak, 4);
}

TEST(WorkerPool, ToolsStartedFromAPoolOfLowerPriorityRunAtThatPriority) {
    // So that a sweep's tools give way to a refresh's tool when the processor is scarce.
    std::promise<std::string> printed;
    WorkerPool pool(1, "tamsel.sweep", 10);
    pool.async([&] { printed.set_value(runProcess("/usr/bin/nice", {}, Environment::current(), 30s).output); });
    EXPECT_EQ(printed.get_future().get(), "10\n");
}

}  // namespace
}  // namespace tamsel::test
