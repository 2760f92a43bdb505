#pragma once
// What this process holds, read from /proc: its open descriptors and its child processes;
// and what is left of a process group.

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace tamsel::test {

inline int openDescriptorCount() {
    int count = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error))
        ++count;
    return count;
}

struct ProcessEntry {
    pid_t pid = 0;
    char state = 0;  // 'Z' for a zombie
    std::string name;

    bool operator==(const ProcessEntry&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ProcessEntry& entry) {
    return out << entry.pid << " (" << entry.name << ") " << entry.state;
}

// A process as its /proc/PID/stat reads.
struct ProcessStat {
    pid_t pid = 0;
    std::string name;
    char state = 0;
    int parent = 0;
    int group = 0;
};

// The text of a /proc file, or "" when it cannot be read whole: a process can go between
// the open and the read (ESRCH), which a stream would throw for.
inline std::string readProcFile(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return got < 0 ? std::string() : text;
}

// Every process now; one that ends while it is read is left out.
inline std::vector<ProcessStat> allProcesses() {
    std::vector<ProcessStat> processes;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = readProcFile(it->path() / "stat");  // empty when it has just gone
        const size_t open = stat.find('(');
        const size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        ProcessStat process{std::stoi(name), stat.substr(open + 1, close - open - 1)};
        if (std::sscanf(stat.c_str() + close + 1, " %c %d %d", &process.state, &process.parent, &process.group) == 3)
            processes.push_back(std::move(process));
    }
    return processes;
}

// Every process whose parent is `parent`, zombies included.
inline std::vector<ProcessEntry> childrenOf(pid_t parent = getpid()) {
    std::vector<ProcessEntry> children;
    for (const ProcessStat& process : allProcesses())
        if (process.parent == parent) children.push_back({process.pid, process.state, process.name});
    return children;
}

// The processes of group `group` that are still alive (zombies excluded).
inline std::vector<pid_t> liveMembersOf(pid_t group) {
    std::vector<pid_t> members;
    for (const ProcessStat& process : allProcesses())
        if (process.group == group && process.state != 'Z' && process.state != 'X') members.push_back(process.pid);
    return members;
}

}  // namespace tamsel::test
