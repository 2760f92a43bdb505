// The real work queue: order, its own named thread, and shutdown with work pending.

#include <pthread.h>

#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/SerialQueue.h"

namespace tamsel::test {
namespace {

TEST(SerialQueue, RunsJobsFromManyThreadsOneAtATimeInQueueOrderOnItsNamedThread) {
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread::id> runners;
    std::string name;
    int running = 0;
    int overlaps = 0;
    std::promise<void> finished;
    {
        SerialQueue queue;
        queue.async([&] {
            char buffer[16] = {};
            pthread_getname_np(pthread_self(), buffer, sizeof buffer);
            name = buffer;
        });
        std::vector<std::thread> producers;
        for (int producer = 0; producer < 4; ++producer) {
            producers.emplace_back([&, producer] {
                for (int i = 0; i < 50; ++i) {
                    queue.async([&, value = producer * 100 + i] {
                        std::lock_guard lock(mutex);
                        overlaps += running++;
                        order.push_back(value);
                        runners.push_back(std::this_thread::get_id());
                        --running;
                    });
                }
            });
        }
        for (auto& producer : producers) producer.join();
        queue.async([] { throw std::runtime_error("stray"); });  // must not end the queue
        queue.async([&] { finished.set_value(); });
        finished.get_future().wait();
    }
    EXPECT_EQ(name, "tamsel.aws");
    EXPECT_EQ(overlaps, 0);
    ASSERT_EQ(order.size(), 200u);
    for (int producer = 0; producer < 4; ++producer) {  // each producer's jobs keep their order
        int last = -1;
        for (int value : order) {
            if (value / 100 != producer) continue;
            EXPECT_GT(value, last);
            last = value;
        }
    }
    for (auto id : runners) {
        EXPECT_EQ(id, runners.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(SerialQueue, DestructionFinishesTheRunningJobAndDropsTheRest) {
    // Sets its promise when destroyed, that is when the queue lets go of the job holding it.
    struct Signal {
        std::promise<void> promise;
        ~Signal() { promise.set_value(); }
    };
    std::promise<void> started;
    std::promise<void> release;
    bool finished = false;
    bool ran = false;
    auto signal = std::make_shared<Signal>();
    auto droppedSignal = signal->promise.get_future();

    auto queue = std::make_unique<SerialQueue>();
    queue->async([&, released = release.get_future().share()] {
        started.set_value();
        released.wait();
        finished = true;
    });
    queue->async([&ran, signal = std::move(signal)] { ran = true; });
    started.get_future().wait();
    std::thread destroyer([&] { queue.reset(); });
    droppedSignal.wait();  // the waiting job is dropped while the running one still runs
    release.set_value();
    destroyer.join();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tamsel::test
