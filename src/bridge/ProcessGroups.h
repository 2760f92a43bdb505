#pragma once
// The process groups of the children under way, and ending a group as a whole.
//
// Each child leads a process group of its own, so ending its group also ends whatever it
// started. A group stays listed until its leader is reaped (under the same lock), so a
// listed id is never one the system has given to someone else.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

namespace tamsel {

// After SIGTERM, how long a process group has to go before it gets SIGKILL.
inline constexpr std::chrono::milliseconds kTerminationGrace{2000};

class RunningGroups {
public:
    // The one list of this process.
    static RunningGroups& instance();

    // Calls `spawn` (which returns the new child's pid, the id of its group, or -1 when
    // nothing started) and lists the group, both under the lock. Returns nullopt without
    // calling `spawn` once stopAll() has been called.
    std::optional<pid_t> startListed(const std::function<pid_t()>& spawn);
    // Calls `reap` (true when it reaped the leader of `group`) under the lock and unlists
    // the group when it did; returns what `reap` returned. `reap` may throw: the group is
    // unlisted then too, as its leader can no longer be waited for.
    bool reapListed(pid_t group, const std::function<bool()>& reap);
    // For quitting: sends SIGTERM to every listed group and refuses later starts.
    void stopAll();

private:
    std::mutex mutex_;
    std::set<pid_t> groups_;
    bool stopped_ = false;
};

// True while some process of `group` has not yet died (zombies do not count: an orphaned
// zombie may never be reaped where the init process does not reap).
bool groupHasLiveMembers(pid_t group);

// Ends every process of `group`: SIGTERM, a grace period, then SIGKILL and as long again.
// The caller keeps the group's leader unreaped meanwhile, so the id cannot be reused.
void endProcessGroup(pid_t group);

}  // namespace tamsel
