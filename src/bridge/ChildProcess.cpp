#include "bridge/ChildProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "bridge/ExecStrings.h"
#include "bridge/FileDescriptor.h"
#include "bridge/ProcessFailure.h"
#include "bridge/ProcessGroups.h"

namespace tamsel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

[[noreturn]] void throwSystemError(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

void check(int result, const char* what) {
    if (result != 0) throwSystemError(result, what);
}

// The spawn description: standard input from /dev/null (or `stdinRead`, when valid),
// output and error into the pipes, no other descriptor inherited, a session (and so a
// process group) of its own, and a clean signal state (nothing blocked, every disposition
// at its default) whatever the calling thread has.
class SpawnDescription {
public:
    SpawnDescription(int stdinRead, int stdoutWrite, int stderrWrite) {
        check(posix_spawn_file_actions_init(&actions_), "posix_spawn_file_actions_init");
        actionsReady_ = true;
        if (stdinRead >= 0) {
            check(posix_spawn_file_actions_adddup2(&actions_, stdinRead, 0), "adddup2");
        } else {
            check(posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0), "addopen");
        }
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
        // A new session leads a new group whose id is the child's pid, as the group-ending code
        // expects; setpgid would fail after setsid, so the group is not asked for as well.
        // Without a controlling terminal, a prompt (the tool's getpass) reads standard input
        // rather than /dev/tty, where it would block or be stopped by SIGTTIN.
        check(
            posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
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
        if (reaped_) return true;
        return RunningGroups::instance().reapListed(pid_, [&] {
            while (true) {
                const pid_t result = waitpid(pid_, &status_, options);
                if (result == pid_) break;
                if (result == 0) return false;
                if (errno != EINTR) {
                    // Someone else reaped it (SIGCHLD ignored): the status is lost.
                    const int error = errno;
                    reaped_ = true;
                    exitNotice_.reset();
                    throw ProcessFailure(ProcessFailure::Step::awaitExit, error);
                }
            }
            reaped_ = true;
            exitNotice_.reset();
            return true;
        });
    }

    pid_t pid_;
    bool exited_ = false;
    bool reaped_ = false;
    int status_ = 0;
    FileDescriptor exitNotice_;
};

// Reads what is there and tells `listener`; closes the descriptor at end-of-file (or on a
// read error).
void readAvailable(FileDescriptor& fd, std::string& into, OutputStream stream, const OutputListener& listener) {
    char buffer[65536];
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<size_t>(got));
        if (listener) listener(stream, std::string_view(buffer, static_cast<size_t>(got)));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        fd.reset();
    }
}

}  // namespace

bool endRunningProcesses(std::chrono::milliseconds grace) { return RunningGroups::instance().endAll(grace); }

ProcessResult runProcess(const std::string& path, const std::vector<std::string>& arguments,
                         const Environment& environment, std::chrono::milliseconds timeLimit,
                         const OutputListener& listener, const std::stop_token& stop,
                         const std::optional<std::string>& input) {
    ProcessResult result;
    if (stop.stop_requested()) {
        result.ending = ProcessResult::Ending::dropped;
        return result;
    }
    if (input && input->size() > kMaxChildInput) throwSystemError(E2BIG, "child input");
    Pipe output = makePipe();
    Pipe error = makePipe();
    // The input is in the pipe, and its write end closed, before the child starts: the child
    // reads it and then end-of-file, and nothing here waits on the child to read.
    std::optional<Pipe> entry;
    if (input) {
        entry = makePipe();
        size_t written = 0;
        while (written < input->size()) {
            const ssize_t put = ::write(entry->writeEnd.get(), input->data() + written, input->size() - written);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) throw ProcessFailure(ProcessFailure::Step::preparePipe, errno);
            written += static_cast<size_t>(put);
        }
        entry->writeEnd.reset();
    }

    std::vector<std::string> argvStrings;
    argvStrings.reserve(arguments.size() + 1);
    argvStrings.push_back(path);
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    const ExecStrings argv(std::move(argvStrings));
    const ExecStrings envp(environment.toEntries());

    int spawnError = 0;
    std::optional<pid_t> started;
    {
        const SpawnDescription description(entry ? entry->readEnd.get() : -1, output.writeEnd.get(),
                                           error.writeEnd.get());
        started = RunningGroups::instance().startListed([&] {
            pid_t pid = -1;
            spawnError = posix_spawn(&pid, path.c_str(), description.actions(), description.attributes(), argv.data(),
                                     envp.data());
            return spawnError == 0 ? pid : -1;
        });
    }
    if (!started) {
        result.ending = ProcessResult::Ending::refused;
        return result;
    }
    // Only the child may hold the write ends, or end-of-file would never come.
    output.writeEnd.reset();
    error.writeEnd.reset();
    if (spawnError != 0) throw ProcessFailure(ProcessFailure::Step::start, spawnError, path);

    // Clamped so that the deadline cannot overflow the clock.
    const Clock::time_point deadline = Clock::now() + std::min<milliseconds>(timeLimit, std::chrono::hours(24 * 365));
    Child child(*started);
    bool timedOut = false;
    bool dropped = false;

    // A request to stop, from whatever thread, wakes the wait below through a pipe of its own.
    std::optional<Pipe> dropNotice;
    std::optional<std::stop_callback<std::function<void()>>> onStop;
    if (stop.stop_possible()) {
        dropNotice = makePipe();
        onStop.emplace(stop, std::function<void()>([fd = dropNotice->writeEnd.get()] {
                           const char byte = 1;
                           while (::write(fd, &byte, 1) < 0 && errno == EINTR) {
                           }
                       }));
    }

    // Both pipes are drained together: the child may fill either while we wait on the other.
    enum class Source { output, error, exit, drop };
    while (true) {
        pollfd watched[4];
        Source sources[4];
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
        // Watched only beside the child's own sources: alone, it would keep the loop waiting.
        if (dropNotice) watch(dropNotice->readEnd.get(), Source::drop);
        const auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) {
            timedOut = true;
            break;
        }
        const auto wait = std::chrono::ceil<milliseconds>(remaining).count();
        const int ready = poll(watched, count, static_cast<int>(std::min<long long>(wait, INT_MAX)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            throw ProcessFailure(ProcessFailure::Step::awaitOutput, errno);
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (watched[i].revents == 0) continue;
            switch (sources[i]) {
                case Source::output:
                    readAvailable(output.readEnd, result.output, OutputStream::output, listener);
                    break;
                case Source::error: readAvailable(error.readEnd, result.error, OutputStream::error, listener); break;
                case Source::exit: child.noteExit(); break;
                case Source::drop: dropped = true; break;
            }
        }
        if (dropped) break;
    }

    if (timedOut || dropped) {
        // The leader is reaped last, so that its pid (the group's id) cannot be reused
        // while the group is signalled.
        endProcessGroup(child.pid());
        child.waitBlocking();
        result.ending = dropped ? ProcessResult::Ending::dropped : ProcessResult::Ending::timedOut;
        return result;
    }

    const int status = child.status();
    if (WIFSIGNALED(status)) {
        result.ending = ProcessResult::Ending::signalled;
        result.status = WTERMSIG(status);
    } else {
        result.ending = ProcessResult::Ending::exited;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : status;
    }
    return result;
}

}  // namespace tamsel
