#include "app/SerialQueue.h"

#include <pthread.h>

#include <utility>

namespace tamsel {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), thread_([this] { run(); }) {}

SerialQueue::~SerialQueue() {
    {
        std::deque<std::function<void()>> dropped;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            dropped.swap(jobs_);
        }
        wake_.notify_all();
        // The dropped jobs (and what they captured) go here, outside the lock, while the
        // running job may still run: their captures may queue work, which is refused now.
    }
    thread_.join();
}

void SerialQueue::async(std::function<void()> job) {
    if (!job) return;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialQueue::run() {
    // The kernel keeps at most 15 bytes of a thread name.
    pthread_setname_np(pthread_self(), label_.substr(0, 15).c_str());
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
            // Our own jobs catch their errors and post them on; a stray one must not end the queue.
        }
    }
}

}  // namespace tamsel
