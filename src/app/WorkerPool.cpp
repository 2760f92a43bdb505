#include "app/WorkerPool.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace tamsel {

WorkerPool::WorkerPool(std::size_t threads, std::string label, int niceness)
    : label_(std::move(label)), niceness_(niceness) {
    threads_.reserve(std::max<std::size_t>(threads, 1));
    for (std::size_t i = 0; i < std::max<std::size_t>(threads, 1); ++i) threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() {
    {
        std::deque<std::function<void()>> dropped;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            dropped.swap(jobs_);
        }
        wake_.notify_all();
        // The dropped jobs (and what they captured) go here, outside the lock, while the
        // running ones may still run: their captures may queue work, which is refused now.
    }
    for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::async(std::function<void()> job) {
    if (!job) return;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkerPool::run() {
    // The kernel keeps at most 15 bytes of a thread name.
    pthread_setname_np(pthread_self(), label_.substr(0, 15).c_str());
    // On Linux the nice value belongs to the thread; a child spawned from it starts with it.
    // Best effort: without it the jobs just compete as equals.
    if (niceness_ > 0) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness_);
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job();
        } catch (...) {
            // Our own jobs catch their errors and post them on; a stray one must not end a thread.
        }
    }
}

}  // namespace tamsel
