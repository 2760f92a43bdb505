#include "bridge/ProcessGroups.h"

#include <dirent.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace tamsel {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until `group` has no live member or `until` has passed; true when it is empty.
bool waitForGroupToEnd(pid_t group, Clock::time_point until) {
    while (groupHasLiveMembers(group)) {
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

RunningGroups& RunningGroups::instance() {
    static RunningGroups* const registry = new RunningGroups;
    return *registry;
}

std::optional<pid_t> RunningGroups::startListed(const std::function<pid_t()>& spawn) {
    const std::lock_guard lock(mutex_);
    if (stopped_) return std::nullopt;
    const pid_t pid = spawn();
    if (pid > 0) groups_.insert(pid);
    return pid;
}

bool RunningGroups::reapListed(pid_t group, const std::function<bool()>& reap) {
    const std::lock_guard lock(mutex_);
    try {
        if (!reap()) return false;
    } catch (...) {
        groups_.erase(group);
        throw;
    }
    groups_.erase(group);
    return true;
}

bool RunningGroups::endAll(std::chrono::milliseconds grace) {
    // Set before the lock is had: a start that takes the lock from now on is refused.
    stopped_ = true;
    // Another thread on its way out (a second one meeting the same broken display) may be
    // ending the groups and hold the lock through its grace: that is waited out, or its
    // SIGKILL would be cut short when this thread goes on to end the process.
    std::unique_lock lock(mutex_, std::defer_lock);
    const Clock::time_point asked = Clock::now();
    // Polled with try_lock: a timed lock is pthread_mutex_clocklock, which this toolchain's
    // thread sanitizer does not intercept (it then reports the list's use as a race).
    while (!lock.try_lock()) {
        const Clock::time_point otherEnding{Clock::duration(endingUntil_.load())};
        if (Clock::now() > std::max(asked, otherEnding) + kListWait) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const Clock::time_point until = Clock::now() + grace;
    endingUntil_ = until.time_since_epoch().count();
    for (const pid_t group : groups_) killpg(group, SIGTERM);
    for (const pid_t group : groups_) {
        if (!waitForGroupToEnd(group, until)) killpg(group, SIGKILL);
    }
    return true;
}

bool groupHasLiveMembers(pid_t group) {
    if (killpg(group, 0) != 0 && errno == ESRCH) return false;
    DIR* proc = opendir("/proc");
    if (!proc) return true;
    bool live = false;
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        const std::string path = std::string("/proc/") + entry->d_name + "/stat";
        FILE* file = std::fopen(path.c_str(), "re");
        if (!file) continue;
        char line[1024];
        const bool got = std::fgets(line, sizeof line, file) != nullptr;
        std::fclose(file);
        if (!got) continue;
        // "pid (comm) state ppid pgrp ...": comm may hold anything, so read after the last ')'.
        const char* afterName = std::strrchr(line, ')');
        char state = 0;
        int parent = 0;
        int processGroup = 0;
        if (afterName && std::sscanf(afterName + 1, " %c %d %d", &state, &parent, &processGroup) == 3 &&
            processGroup == group && state != 'Z' && state != 'X') {
            live = true;
            break;
        }
    }
    closedir(proc);
    return live;
}

void endProcessGroup(pid_t group) {
    killpg(group, SIGTERM);
    if (!waitForGroupToEnd(group, Clock::now() + kTerminationGrace)) {
        killpg(group, SIGKILL);
        waitForGroupToEnd(group, Clock::now() + kTerminationGrace);
    }
}

}  // namespace tamsel
