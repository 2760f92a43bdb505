#include "bridge/ChildProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "bridge/AWSError.h"
#include "bridge/Text.h"

namespace tamsel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

[[noreturn]] void throwSystemError(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

// The process groups of the calls under way, so that quitting can end them all. A group
// stays listed until its leader is reaped (under the same lock), so a listed id is never
// one the system has given to someone else.
struct RunningGroups {
    std::mutex mutex;
    std::set<pid_t> groups;
    bool stopped = false;  // set when the application quits: no new child is started
};

RunningGroups& runningGroups() {
    static RunningGroups registry;
    return registry;
}

// An owned file descriptor, closed when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// Keeps a pipe end out of 0..2 (possible when this process runs with a standard stream
// closed), so that the child's redirections onto 0, 1 and 2 cannot clobber each other.
FileDescriptor aboveStandardStreams(FileDescriptor fd) {
    if (fd.get() > 2) return fd;
    const int moved = fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
    if (moved < 0) throwSystemError(errno, "パイプを用意できませんでした");
    return FileDescriptor(moved);
}

struct Pipe {
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
};

Pipe makePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throwSystemError(errno, "パイプを作成できませんでした");
    Pipe pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
    pipe.readEnd = aboveStandardStreams(std::move(pipe.readEnd));
    pipe.writeEnd = aboveStandardStreams(std::move(pipe.writeEnd));
    return pipe;
}

void check(int result, const char* what) {
    if (result != 0) throwSystemError(result, what);
}

// The spawn description: standard input from /dev/null, output and error into the pipes,
// no other descriptor inherited, a process group of its own, and a clean signal state
// (nothing blocked, every disposition at its default) whatever the calling thread has.
class SpawnDescription {
public:
    SpawnDescription(int stdoutWrite, int stderrWrite) {
        check(posix_spawn_file_actions_init(&actions_), "posix_spawn_file_actions_init");
        actionsReady_ = true;
        check(posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0), "addopen");
        check(posix_spawn_file_actions_adddup2(&actions_, stdoutWrite, 1), "adddup2");
        check(posix_spawn_file_actions_adddup2(&actions_, stderrWrite, 2), "adddup2");
        check(posix_spawn_file_actions_addclosefrom_np(&actions_, 3), "addclosefrom_np");

        check(posix_spawnattr_init(&attributes_), "posix_spawnattr_init");
        attributesReady_ = true;
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        check(posix_spawnattr_setsigmask(&attributes_, &none), "setsigmask");
        check(posix_spawnattr_setsigdefault(&attributes_, &all), "setsigdefault");
        check(posix_spawnattr_setpgroup(&attributes_, 0), "setpgroup");
        check(posix_spawnattr_setflags(&attributes_,
                                       POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
              "setflags");
    }
    ~SpawnDescription() {
        if (actionsReady_) posix_spawn_file_actions_destroy(&actions_);
        if (attributesReady_) posix_spawnattr_destroy(&attributes_);
    }
    SpawnDescription(const SpawnDescription&) = delete;
    SpawnDescription& operator=(const SpawnDescription&) = delete;

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    bool actionsReady_ = false;
    bool attributesReady_ = false;
};

// A null-terminated array of pointers into `strings`, as execve wants it.
std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// True while some process of group `group` has not yet died (zombies do not count: an
// orphaned zombie may never be reaped where the init process does not reap).
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

// The spawned child: reaped exactly once, and never left behind, even when the call
// ends by an exception. An exit is first only noted: until the call is done with the
// child's process group, the unreaped child keeps its pid, which is the group's id, from
// being given to a new process that the group's signals would then reach.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {
        // The child is not reaped yet, so its pid cannot have been reused.
        const long fd = syscall(SYS_pidfd_open, pid, 0);
        if (fd >= 0) exitNotice_ = FileDescriptor(static_cast<int>(fd));
    }
    ~Child() {
        if (!reaped_) {
            killpg(pid_, SIGKILL);
            waitBlocking();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    bool exited() const { return exited_ || reaped_; }
    bool reaped() const { return reaped_; }
    int status() const { return status_; }
    // Readable once the child has exited; invalid when the kernel has no pidfd.
    const FileDescriptor& exitNotice() const { return exitNotice_; }

    // Notes whether the child has exited, without reaping it; true when it has.
    bool noteExit() {
        while (!exited()) {
            siginfo_t info{};
            if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
                if (info.si_pid != pid_) return false;
                exited_ = true;
            } else if (errno != EINTR) {
                return tryReap();  // it cannot be waited for at all: reaping says why
            }
        }
        return true;
    }
    // Reaps the child when it has exited; true when it is reaped.
    bool tryReap() { return reap(WNOHANG); }
    void waitBlocking() { reap(0); }

    // Without an exit notice: waits for the exit by short naps until `deadline`.
    bool waitUntil(Clock::time_point deadline) {
        while (!tryReap()) {
            const auto now = Clock::now();
            if (now >= deadline) return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(milliseconds(1), deadline - now));
        }
        return true;
    }

private:
    bool reap(int options) {
        RunningGroups& running = runningGroups();
        const std::lock_guard lock(running.mutex);
        while (!reaped_) {
            const pid_t result = waitpid(pid_, &status_, options);
            if (result == pid_) {
                reaped_ = true;
                running.groups.erase(pid_);
                exitNotice_.reset();
            } else if (result == 0) {
                return false;
            } else if (errno != EINTR) {
                // Someone else reaped it (SIGCHLD ignored): the status is lost.
                const int error = errno;
                reaped_ = true;
                running.groups.erase(pid_);
                exitNotice_.reset();
                throwSystemError(error, "子プロセスの終了を待てませんでした");
            }
        }
        return true;
    }

    pid_t pid_;
    bool exited_ = false;
    bool reaped_ = false;
    int status_ = 0;
    FileDescriptor exitNotice_;
};

// Waits until group `group` has no live member or `until` has passed; true when it is empty.
bool waitForGroupToEnd(pid_t group, Clock::time_point until) {
    while (groupHasLiveMembers(group)) {
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

// Ends the child's whole process group: SIGTERM, a grace period, then SIGKILL; the child
// is reaped last, so that its pid (the group's id) cannot be reused while we signal.
void endProcessGroup(Child& child) {
    const pid_t group = child.pid();
    killpg(group, SIGTERM);
    if (!waitForGroupToEnd(group, Clock::now() + kTerminationGrace)) {
        killpg(group, SIGKILL);
        waitForGroupToEnd(group, Clock::now() + kTerminationGrace);
    }
    child.waitBlocking();
}

// Reads what is there; closes the descriptor at end-of-file (or on a read error).
void readAvailable(FileDescriptor& fd, std::string& into) {
    char buffer[65536];
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        fd.reset();
    }
}

std::string limitText(milliseconds limit) {
    if (limit.count() % 1000 == 0) return std::to_string(limit.count() / 1000) + " 秒";
    return std::to_string(limit.count()) + " ミリ秒";
}

// The status as the failure message reports it: the exit code, or the signal number.
int reportedStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return WTERMSIG(status);
    return status;
}

}  // namespace

void stopRunningProcesses() {
    RunningGroups& running = runningGroups();
    const std::lock_guard lock(running.mutex);
    running.stopped = true;
    for (const pid_t group : running.groups) killpg(group, SIGTERM);
}

std::string runProcess(const std::string& path, const std::vector<std::string>& arguments,
                       const Environment& environment, std::chrono::milliseconds timeLimit) {
    Pipe output = makePipe();
    Pipe error = makePipe();

    std::vector<std::string> argvStrings;
    argvStrings.reserve(arguments.size() + 1);
    argvStrings.push_back(path);
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envStrings = environment.toEntries();
    const std::vector<char*> argv = pointersTo(argvStrings);
    const std::vector<char*> envp = pointersTo(envStrings);

    pid_t pid = -1;
    int spawnError = 0;
    {
        const SpawnDescription description(output.writeEnd.get(), error.writeEnd.get());
        RunningGroups& running = runningGroups();
        const std::lock_guard lock(running.mutex);
        if (running.stopped) throw AWSError::failed("アプリケーションの終了中のため aws を起動しませんでした");
        spawnError = posix_spawn(&pid, path.c_str(), description.actions(), description.attributes(),
                                 argv.data(), envp.data());
        if (spawnError == 0) running.groups.insert(pid);
    }
    // Only the child may hold the write ends, or end-of-file would never come.
    output.writeEnd.reset();
    error.writeEnd.reset();
    if (spawnError != 0) throwSystemError(spawnError, path + " を起動できませんでした");

    // Clamped so that the deadline cannot overflow the clock.
    const Clock::time_point deadline = Clock::now() + std::min<milliseconds>(timeLimit, std::chrono::hours(24 * 365));
    Child child(pid);
    std::string out;
    std::string err;
    bool timedOut = false;

    // Both pipes are drained together: the child may fill either while we wait on the other.
    enum class Source { output, error, exit };
    while (true) {
        pollfd watched[3];
        Source sources[3];
        nfds_t count = 0;
        const auto watch = [&](int fd, Source source) {
            watched[count] = {fd, POLLIN, 0};
            sources[count++] = source;
        };
        if (output.readEnd) watch(output.readEnd.get(), Source::output);
        if (error.readEnd) watch(error.readEnd.get(), Source::error);
        if (!child.exited() && child.exitNotice()) watch(child.exitNotice().get(), Source::exit);
        if (count == 0) {
            if (!child.reaped()) timedOut = !child.waitUntil(deadline);
            break;
        }
        const auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) {
            timedOut = true;
            break;
        }
        const auto wait = std::chrono::ceil<milliseconds>(remaining).count();
        const int ready = poll(watched, count, static_cast<int>(std::min<long long>(wait, INT_MAX)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            throwSystemError(errno, "子プロセスの出力を待てませんでした");
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (watched[i].revents == 0) continue;
            switch (sources[i]) {
                case Source::output: readAvailable(output.readEnd, out); break;
                case Source::error: readAvailable(error.readEnd, err); break;
                case Source::exit: child.noteExit(); break;
            }
        }
    }

    if (timedOut) {
        endProcessGroup(child);
        throw AWSError::failed("aws が " + limitText(timeLimit) + "以内に終了しなかったため中止しました");
    }

    const int status = child.status();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return out;

    std::string message = isValidUTF8(err) ? trimWhitespaceAndNewlines(err) : std::string();
    if (message.empty()) {
        message = "aws が終了コード " + std::to_string(reportedStatus(status)) + " で失敗しました";
    }
    throw AWSError::failed(std::move(message));
}

}  // namespace tamsel
