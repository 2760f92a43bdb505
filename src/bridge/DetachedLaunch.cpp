#include "bridge/DetachedLaunch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "bridge/ExecStrings.h"
#include "bridge/FileDescriptor.h"
#include "bridge/ProcessFailure.h"

namespace tamsel {
namespace {

// In the grandchild, between fork and exec: async-signal-safe calls only. Reports the
// errno of a failed exec through `report` (close-on-exec: an exec that works closes it).
[[noreturn]] void becomeProgram(const char* path, char* const* argv, char* const* envp, int report) {
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    int error = 0;
    const int null = open("/dev/null", O_RDWR);
    if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) error = errno;
    if (error == 0) {
        // Everything above the standard streams but the report goes.
        for (int fd = 3; fd < report; ++fd) close(fd);
        syscall(SYS_close_range, report + 1, ~0U, 0);
        execve(path, argv, envp);
        error = errno;
    }
    while (write(report, &error, sizeof error) < 0 && errno == EINTR) {
    }
    _exit(127);
}

}  // namespace

void launchDetached(const std::string& path, const std::vector<std::string>& arguments,
                    const Environment& environment) {
    // Everything the children need is made before the fork: after it, in a process with
    // threads, only async-signal-safe calls may run.
    std::vector<std::string> argvStrings{path};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    const ExecStrings argv(std::move(argvStrings));
    const ExecStrings envp(environment.toEntries());
    Pipe report = makePipe();

    const pid_t intermediate = fork();
    if (intermediate < 0) throw ProcessFailure(ProcessFailure::Step::start, errno, path);
    if (intermediate == 0) {
        setsid();
        const pid_t program = fork();
        if (program == 0) becomeProgram(path.c_str(), argv.data(), envp.data(), report.writeEnd.get());
        int error = program < 0 ? errno : 0;
        if (program < 0) {
            while (write(report.writeEnd.get(), &error, sizeof error) < 0 && errno == EINTR) {
            }
        }
        _exit(0);
    }
    report.writeEnd.reset();
    int status = 0;
    while (waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    // End of file: the program was executed. Otherwise the errno of what failed.
    int error = 0;
    ssize_t got;
    while ((got = read(report.readEnd.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof error)) throw ProcessFailure(ProcessFailure::Step::start, error, path);
}

}  // namespace tamsel
