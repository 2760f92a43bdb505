#pragma once
// Starting, running and stopping helper processes of the tests (the emulator, the aws tool
// for seeding data), independent of the bridge's own process runner.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace tamsel::test {

using Variables = std::map<std::string, std::string>;

// Starts argv[0] (a path, not searched) with `variables` as its whole environment, then
// destroys `actions` and `attributes` (when given), whether it started or not.
inline pid_t spawnWith(const std::vector<std::string>& argv, const Variables& variables,
                       posix_spawn_file_actions_t& actions, posix_spawnattr_t* attributes) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> entries;
    for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int error =
        argv.empty() ? EINVAL : posix_spawn(&pid, args[0], &actions, attributes, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (attributes) posix_spawnattr_destroy(attributes);
    if (argv.empty()) throw std::invalid_argument("spawnWith: empty argument list");
    if (error != 0) throw std::system_error(error, std::generic_category(), "cannot start " + argv[0]);
    return pid;
}

// Starts argv[0] (a path, not searched) with `variables` as its whole environment, standard
// input from /dev/null and both output streams appended to `outputFile`. The child leads a
// process group of its own, so that stopProcessGroup() also ends anything it starts.
inline pid_t spawnProcess(const std::vector<std::string>& argv, const Variables& variables,
                          const std::filesystem::path& outputFile) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

    return spawnWith(argv, variables, actions, &attributes);
}

// The exit status of `pid` if it has ended (and is now reaped), else -1. A death by signal
// counts as 128 + the signal number, as shells report it.
inline int pollExit(pid_t pid) {
    int status = 0;
    pid_t r;
    do r = waitpid(pid, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0) return -1;
    if (r < 0) return 255;  // not our child any more; treat as gone
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ends the process group led by `pid`: SIGTERM, then SIGKILL when it has not gone after
// `grace`. Reaps the leader. Safe to call for a leader that has already exited.
inline void stopProcessGroup(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(5)) {
    if (pid <= 0) return;
    if (pollExit(pid) >= 0) {
        kill(-pid, SIGKILL);  // the leader is gone; end whatever it left in its group
        return;
    }
    kill(-pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (pollExit(pid) >= 0) {
            kill(-pid, SIGKILL);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

struct CommandResult {
    int status = 0;
    std::string output;  // standard output
    std::string errors;  // standard error
};

// Runs argv[0] with `variables` as its environment and waits for it. The output streams go
// through files in `scratch`, so neither can block the child. No time limit: the callers run
// short commands against a local emulator.
inline CommandResult runCommand(const std::vector<std::string>& argv, const Variables& variables,
                                const TempDir& scratch) {
    static int serial = 0;
    const auto tag = std::to_string(getpid()) + "-" + std::to_string(++serial);
    const auto outFile = scratch / ("command-" + tag + ".out");
    const auto errFile = scratch / ("command-" + tag + ".err");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = spawnWith(argv, variables, actions, nullptr);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    CommandResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.output = readFile(outFile);
    result.errors = readFile(errFile);
    std::error_code ignored;
    std::filesystem::remove(outFile, ignored);
    std::filesystem::remove(errFile, ignored);
    return result;
}

}  // namespace tamsel::test
