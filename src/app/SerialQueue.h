#pragma once
// The real work queue: one thread that runs jobs one at a time, in the order queued.

#include <string>
#include <utility>

#include "app/WorkerPool.h"

namespace tamsel {

class SerialQueue final : public WorkerPool {
public:
    // Starts the thread, named `label` (as far as the system allows: 15 bytes on Linux).
    // Destroying the queue drops the jobs still waiting, lets the running one finish, and
    // joins the thread; it must not be done from a job.
    explicit SerialQueue(std::string label = "tamsel.aws") : WorkerPool(1, std::move(label)) {}
};

}  // namespace tamsel
