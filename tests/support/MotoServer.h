#pragma once
// The moto EC2 emulator as a child of the test: started on a free loopback port, waited
// for until it answers HTTP, and stopped (with everything it started) when destroyed.

#include <arpa/inet.h>
#include <glob.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace tamsel::test {

// moto_server of the pyenv installs (as scripts/moto-env looks for it), else one on PATH.
// ORVANE_MOTO_SERVER, when set, names it directly.
inline std::optional<std::filesystem::path> findMotoServer() {
    if (const char* given = std::getenv("ORVANE_MOTO_SERVER"); given && *given) {
        if (access(given, X_OK) == 0) return std::filesystem::path(given);
        return std::nullopt;
    }
    std::vector<std::string> patterns = {"/root/.pyenv/versions/*/bin/moto_server"};
    if (const char* home = std::getenv("HOME"); home && *home)
        patterns.insert(patterns.begin(), std::string(home) + "/.pyenv/versions/*/bin/moto_server");
    for (const auto& pattern : patterns) {
        glob_t found{};
        if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
            for (size_t i = 0; i < found.gl_pathc; ++i) {
                if (access(found.gl_pathv[i], X_OK) == 0) {
                    std::filesystem::path path = found.gl_pathv[i];
                    globfree(&found);
                    return path;
                }
            }
        }
        globfree(&found);
    }
    if (const char* path = std::getenv("PATH")) {
        std::string list = path;
        size_t start = 0;
        while (start <= list.size()) {
            const size_t end = std::min(list.find(':', start), list.size());
            const auto candidate = std::filesystem::path(list.substr(start, end - start)) / "moto_server";
            if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
            start = end + 1;
        }
    }
    return std::nullopt;
}

// True when something listening on 127.0.0.1:`port` answers a GET with an HTTP status line.
inline bool answersHTTP(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            pollfd p{fd, POLLIN, 0};
            char head[5] = {};
            if (poll(&p, 1, 5000) == 1 && read(fd, head, 5) == 5) ok = std::string(head, 5) == "HTTP/";
        }
    }
    close(fd);
    return ok;
}

class MotoServer {
public:
    // How long the emulator may take to come up before the test gives up on it.
    static constexpr std::chrono::seconds kStartLimit{90};

    // Starts moto_server on 127.0.0.1 with `port` (0: the system picks a free port, which
    // moto prints) and waits until it answers. Throws std::runtime_error with moto's own
    // output when it is missing, exits or does not answer in time.
    explicit MotoServer(int port = 0) {
        const auto server = findMotoServer();
        if (const char* given = std::getenv("ORVANE_MOTO_SERVER"); !server && given && *given)
            throw std::runtime_error(std::string("ORVANE_MOTO_SERVER names no executable: ") + given);
        if (!server)
            throw std::runtime_error(
                "the moto EC2 emulator (moto_server) was not found under ~/.pyenv/versions/*/bin, "
                "/root/.pyenv/versions/*/bin or on PATH; install it or set ORVANE_MOTO_SERVER");
        log_ = dir_ / "moto_server.log";
        Variables variables = {{"PATH", "/usr/bin:/bin"},
                               {"HOME", (dir_ / "home").string()},
                               {"PYTHONUNBUFFERED", "1"},
                               {"LANG", "C.UTF-8"}};
        std::vector<std::string> argv = {server->string(), "-H", "127.0.0.1", "-p", std::to_string(port)};
        // Should the test process die without its destructors running, the kernel ends
        // the emulator too (util-linux's setpriv sets the parent-death signal, then execs).
        if (access("/usr/bin/setpriv", X_OK) == 0)
            argv.insert(argv.begin(), {"/usr/bin/setpriv", "--pdeathsig", "KILL", "--"});
        pid_ = spawnProcess(argv, variables, log_);

        const std::regex announced(R"(Running on http://127\.0\.0\.1:(\d+))");
        const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
        while (true) {
            if (port_ == 0) {
                std::smatch m;
                const std::string text = output();
                if (std::regex_search(text, m, announced)) port_ = std::stoi(m[1]);
            }
            if (port_ != 0 && answersHTTP(port_)) return;
            if (const int status = pollExit(pid_); status >= 0) {
                kill(-pid_, SIGKILL);  // anything it left behind in its group
                pid_ = -1;
                throw std::runtime_error("moto_server exited with status " + std::to_string(status) +
                                         " before it answered; its output:\n" + output());
            }
            if (std::chrono::steady_clock::now() > deadline) {
                stop();
                throw std::runtime_error("moto_server did not answer within " + std::to_string(kStartLimit.count()) +
                                         " s; its output:\n" + output());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~MotoServer() { stop(); }
    MotoServer(const MotoServer&) = delete;
    MotoServer& operator=(const MotoServer&) = delete;

    int port() const { return port_; }
    std::string endpoint() const { return "http://127.0.0.1:" + std::to_string(port_); }
    pid_t pid() const { return pid_; }
    // Everything moto has printed so far (its request log and any traceback).
    std::string output() const { return readFile(log_); }

    void stop() {
        stopProcessGroup(pid_);
        pid_ = -1;
    }

private:
    TempDir dir_;
    std::filesystem::path log_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace tamsel::test
