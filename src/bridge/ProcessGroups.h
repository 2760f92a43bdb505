#pragma once
// The process groups of the children under way, and ending a group as a whole.
//
// Each child leads a process group of its own, so ending its group also ends whatever it
// started. A group stays listed until its leader is reaped (under the same lock), so a
// listed id is never one the system has given to someone else.
//
// Ending the listed groups is what the process does on its way out, from whatever thread
// it goes (the main thread in exit(), a thread that met a fatal error), while the worker
// threads may be starting or reaping a child: it takes the same lock, so a start under
// way is listed (and ended) or refused, and no leader is reaped while its group is ended.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

namespace tamsel {

// After SIGTERM, how long a process group has to go before it gets SIGKILL.
inline constexpr std::chrono::milliseconds kTerminationGrace{2000};

// How long ending the groups waits for the lock of the list (beyond the grace of another
// ending under way). Its other holders start or reap a child, which takes moments; the
// bound is for a stalled system, as ending must not hang.
inline constexpr std::chrono::milliseconds kListWait{500};

class RunningGroups {
public:
    // The one list of this process. It is never destroyed: it is still in use while exit()
    // destroys static objects and other threads run.
    static RunningGroups& instance();

    // Calls `spawn` (which returns the new child's pid, the id of its group, or -1 when
    // nothing started) and lists the group, both under the lock. Returns nullopt without
    // calling `spawn` once endAll() has been called.
    std::optional<pid_t> startListed(const std::function<pid_t()>& spawn);
    // Calls `reap` (true when it reaped the leader of `group`) under the lock and unlists
    // the group when it did; returns what `reap` returned. `reap` may throw: the group is
    // unlisted then too, as its leader can no longer be waited for.
    bool reapListed(pid_t group, const std::function<bool()>& reap);
    // For the end of the process: refuses later starts, sends SIGTERM to every listed
    // group, gives the groups up to `grace` to end and sends SIGKILL to those still there.
    // The lock is held throughout, so a group whose leader has ended but whose other
    // members have not is still listed and ended too. An ending under way in another
    // thread is waited for. Returns false, having signalled nothing, when the lock could
    // not be had within kListWait (after that other ending); it never takes longer than
    // that and `grace` (and a moment per group).
    // Not async-signal-safe (a lock, and /proc is read): call it from a thread.
    bool endAll(std::chrono::milliseconds grace);

private:
    RunningGroups() = default;

    std::mutex mutex_;
    std::set<pid_t> groups_;
    std::atomic<bool> stopped_{false};
    // When the ending that holds the lock sends SIGKILL, on the steady clock.
    std::atomic<std::chrono::steady_clock::rep> endingUntil_{0};
};

// True while some process of `group` has not yet died (zombies do not count: an orphaned
// zombie may never be reaped where the init process does not reap).
bool groupHasLiveMembers(pid_t group);

// Ends every process of `group`: SIGTERM, a grace period, then SIGKILL and as long again.
// The caller keeps the group's leader unreaped meanwhile, so the id cannot be reused.
void endProcessGroup(pid_t group);

}  // namespace tamsel
