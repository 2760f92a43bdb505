// The public-address lookup against a real HTTPS server on the loopback interface: a small
// Python server with a certificate made for the test, trusted through the CA-file seam.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bridge/AWSError.h"
#include "bridge/AddressLookup.h"
#include "support/FailurePrinting.h"
#include "support/TempDir.h"

extern char** environ;

namespace tamsel {
namespace {

using test::TempDir;

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kOpenSSL = "/usr/bin/openssl";

// Serves HTTPS on 127.0.0.1 (a free port, printed on the first line of standard output).
// Each request is logged (its head) to the log file and answered by `mode`:
//   answer STATUS BODY  the status line and body given
//   big                 a 100 KiB body
//   stall               no answer at all
// It exits when its standard input closes, so it cannot outlive the test.
constexpr const char* kServerScript = R"PY(
import os, socket, ssl, sys, threading, time

cert, key, log, mode = sys.argv[1:5]

def exit_when_parent_goes():
    sys.stdin.buffer.read()
    os._exit(0)
threading.Thread(target=exit_when_parent_goes, daemon=True).start()

context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
print(listener.getsockname()[1], flush=True)

while True:
    connection, _ = listener.accept()
    try:
        tls = context.wrap_socket(connection, server_side=True)
    except (ssl.SSLError, OSError):
        connection.close()  # a client that rejected the certificate
        continue
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = tls.recv(4096)
        if not chunk:
            break
        head += chunk
    with open(log, "ab") as f:
        f.write(head)
    if mode == "stall":
        time.sleep(3600)
        continue
    if mode == "big":
        status, body = "200 OK", b"1" * (100 * 1024)
    else:
        status, body = sys.argv[5], sys.argv[6].encode()
    tls.sendall(b"HTTP/1.1 " + status.encode() + b"\r\nContent-Type: text/plain\r\nContent-Length: "
                + str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)
    tls.close()
)PY";

// Starts `argv` with standard input and output connected to the returned pipe ends
// (the child's stdin write end, the child's stdout read end); standard error goes to
// `errorFile`.
pid_t spawn(const std::vector<std::string>& argv, int* stdinWrite, int* stdoutRead, const std::string& errorFile) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    *stdinWrite = in[1];
    *stdoutRead = out[0];
    return pid;
}

// Runs a command to its end; true when it exits with status 0.
bool runToEnd(const std::vector<std::string>& argv, const std::string& errorFile) {
    int in = -1, out = -1;
    const pid_t pid = spawn(argv, &in, &out, errorFile);
    close(in);
    close(out);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class AddressServer {
public:
    AddressServer(const TempDir& dir, const std::vector<std::string>& mode) : log_((dir / "requests.log").string()) {
        const std::string script = dir.write("address_server.py", kServerScript).string();
        std::vector<std::string> argv = {kPython, script, (dir / "cert.pem").string(), (dir / "key.pem").string(),
                                         log_};
        argv.insert(argv.end(), mode.begin(), mode.end());
        errors_ = (dir / "server.err").string();
        pid_ = spawn(argv, &stdin_, &stdout_, errors_);
        port_ = readPort();
    }
    ~AddressServer() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        close(stdin_);
        close(stdout_);
    }

    std::string url(const std::string& host = "127.0.0.1") const {
        return "https://" + host + ":" + std::to_string(port_) + "/";
    }
    std::string requests() const { return test::readFile(log_); }

private:
    int readPort() const {
        std::string line;
        char c = 0;
        // A guard against a server that never comes up, not a measurement.
        pollfd p{stdout_, POLLIN, 0};
        while (line.find('\n') == std::string::npos) {
            if (poll(&p, 1, 30000) <= 0 || read(stdout_, &c, 1) != 1) {
                throw std::runtime_error("the test server did not start: " + test::readFile(errors_));
            }
            line += c;
        }
        return std::stoi(line);
    }

    std::string log_;
    std::string errors_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int port_ = 0;
};

class AddressLookupTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // A proxy from the environment must not come between the client and the loopback server.
        setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    }

    void SetUp() override {
        ASSERT_TRUE(runToEnd({kOpenSSL, "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                              "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                              "subjectAltName=IP:127.0.0.1", "-keyout", (dir_ / "key.pem").string(), "-out", cert()},
                             (dir_ / "openssl.err").string()))
            << test::readFile(dir_ / "openssl.err");
    }

    std::string cert() const { return (dir_ / "cert.pem").string(); }

    AddressLookupOptions trusting(const AddressServer& server) const {
        return {.url = server.url(), .caFile = cert(), .timeoutMilliseconds = 10000};
    }

    // The reason of the ipLookupFailed the lookup throws (a failure when it returns).
    static std::string failureReason(const AddressLookupOptions& options) {
        try {
            ADD_FAILURE() << "returned " << lookUpGlobalIPv4(options);
        } catch (const AWSError& error) {
            EXPECT_EQ(error.kind(), AWSError::Kind::ipLookupFailed);
            return describe(error);
        }
        return {};
    }

    TempDir dir_;
};

// Whether libcurl is mapped into this process.
bool curlIsLoaded() { return test::readFile("/proc/self/maps").find("/libcurl.so.4") != std::string::npos; }

TEST_F(AddressLookupTest, ReturnsTheAddressWithoutTheLineBreak) {
    const AddressServer server(dir_, {"answer", "200 OK", "203.0.113.7\n"});
    // Each test runs in a process of its own: libcurl comes in with the first lookup.
    EXPECT_FALSE(curlIsLoaded());
    EXPECT_EQ(lookUpGlobalIPv4(trusting(server)), "203.0.113.7");
    EXPECT_TRUE(curlIsLoaded());
    const std::string requests = server.requests();
    EXPECT_EQ(requests.rfind("GET / HTTP/1.1\r\n", 0), 0u) << requests;
}

TEST_F(AddressLookupTest, StatusIsNotLookedAt) {
    const AddressServer server(dir_, {"answer", "503 Service Unavailable", "010.0.113.7"});
    EXPECT_EQ(lookUpGlobalIPv4(trusting(server)), "10.0.113.7");
}

TEST_F(AddressLookupTest, BodyThatIsNoAddressIsAnUnexpectedAnswer) {
    const AddressServer server(dir_, {"answer", "200 OK", "  <html>busy</html>\n"});
    EXPECT_EQ(failureReason(trusting(server)), "[not an address: <html>busy</html>]");
}

TEST_F(AddressLookupTest, EmptyBodyIsAnUnexpectedAnswer) {
    const AddressServer server(dir_, {"answer", "200 OK", ""});
    EXPECT_EQ(failureReason(trusting(server)), "[not an address: ]");
}

TEST_F(AddressLookupTest, OversizedBodyIsCutOff) {
    const AddressServer server(dir_, {"big"});
    EXPECT_EQ(failureReason(trusting(server)), "[over 64 KiB]");
}

TEST_F(AddressLookupTest, ServerThatNeverAnswersTimesOut) {
    const AddressServer server(dir_, {"stall"});
    AddressLookupOptions options = trusting(server);
    options.timeoutMilliseconds = 500;
    const std::string reason = failureReason(options);
    EXPECT_NE(reason.find("timed out"), std::string::npos) << reason;
}

TEST_F(AddressLookupTest, UntrustedCertificateIsRefused) {
    const AddressServer server(dir_, {"answer", "200 OK", "203.0.113.7\n"});
    AddressLookupOptions options = trusting(server);
    options.caFile.clear();  // the system's trust store does not know the test's certificate
    const std::string reason = failureReason(options);
    EXPECT_NE(reason.find("certificate"), std::string::npos) << reason;
    EXPECT_EQ(server.requests(), "");
}

TEST_F(AddressLookupTest, CertificateForAnotherHostIsRefused) {
    const AddressServer server(dir_, {"answer", "200 OK", "203.0.113.7\n"});
    AddressLookupOptions options = trusting(server);
    options.url = server.url("localhost");  // the certificate names 127.0.0.1 only
    const std::string reason = failureReason(options);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(server.requests(), "");
}

TEST_F(AddressLookupTest, PlainHTTPIsRefused) {
    AddressLookupOptions options{.url = "http://127.0.0.1:1/", .caFile = cert(), .timeoutMilliseconds = 10000};
    const std::string reason = failureReason(options);
    EXPECT_NE(reason.find("http"), std::string::npos) << reason;
}

TEST_F(AddressLookupTest, NoTimeLimitIsRefused) {
    const AddressLookupOptions options{.url = "https://127.0.0.1:1/", .caFile = cert(), .timeoutMilliseconds = 0};
    EXPECT_THROW(lookUpGlobalIPv4(options), std::invalid_argument);
}

TEST_F(AddressLookupTest, ClosedPortIsAConnectionFailure) {
    AddressLookupOptions options{.url = "https://127.0.0.1:1/", .caFile = cert(), .timeoutMilliseconds = 10000};
    const std::string reason = failureReason(options);
    EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace tamsel
