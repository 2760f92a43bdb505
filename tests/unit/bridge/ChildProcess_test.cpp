#include "bridge/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <sstream>
#include <system_error>
#include <thread>

#include "bridge/AWSError.h"
#include "bridge/ProcessGroups.h"
#include "bridge/ToolOutcome.h"
#include "support/FailurePrinting.h"
#include "support/ProcessCensus.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using Variables = std::map<std::string, std::string>;

using namespace std::chrono_literals;
using test::liveMembersOf;
using test::readFile;
using test::TempDir;
using test::writeTool;

Environment plainEnvironment(const TempDir& dir) {
    return Environment(Variables{{"HOME", dir.path().string()}, {"PATH", "/usr/bin:/bin"}, {"LC_ALL", "C"}});
}

std::string run(const std::filesystem::path& tool, const std::vector<std::string>& arguments = {},
                std::chrono::milliseconds limit = kToolTimeLimit, std::stop_token stop = {}) {
    const TempDir home;
    return toolOutput(runProcess(tool.string(), arguments, plainEnvironment(home).forChild(), limit, {}, stop), limit);
}

// The AWSError that `call` throws; none, and a test failure, when it throws anything else or nothing.
template <typename Call>
std::optional<AWSError> failureOf(Call call) {
    try {
        call();
    } catch (const AWSError& error) {
        return error;
    } catch (const std::exception& error) {
        ADD_FAILURE() << "another exception: " << error.what();
        return std::nullopt;
    }
    ADD_FAILURE() << "no exception";
    return std::nullopt;
}

AWSError ended(ToolEnding ending) { return AWSError::failed(ending); }

int openDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

TEST(RunProcess, PassesEachArgumentAsOneEntryWithoutAShell) {
    const TempDir dir;
    const auto tool = writeTool(dir, "args", "for a; do printf '%s\\0' \"$a\"; done");
    const std::vector<std::string> arguments = {"",     "-p", "with space", "$(touch pwned)", "'\"",
                                                "a\nb", "*",  "--profile",  "日本語"};

    const std::string output =
        runProcess(tool.string(), arguments, plainEnvironment(dir).forChild(), kToolTimeLimit).output;

    std::string expected;
    for (const auto& argument : arguments) expected += argument + '\0';
    EXPECT_EQ(output, expected);
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
}

TEST(RunProcess, ChildGetsTheGivenEnvironment) {
    const TempDir dir;
    const auto tool = writeTool(dir, "env", "printf '%s|%s|%s' \"$PATH\" \"${AWS_PAGER-unset}\" \"${MARK-unset}\"");

    Environment withPath(Variables{{"PATH", "/opt/x"}, {"AWS_PAGER", "less"}, {"MARK", "kept"}});
    EXPECT_EQ(runProcess(tool.string(), {}, withPath.forChild(), kToolTimeLimit).output,
              std::string("/opt/x:") + kToolSearchPath + "||kept");

    Environment withoutPath(Variables{{"AWS_PAGER", "more"}});
    EXPECT_EQ(runProcess(tool.string(), {}, withoutPath.forChild(), kToolTimeLimit).output,
              std::string(kToolSearchPath) + "||unset");
}

TEST(RunProcess, ChildStartsWithNullInputOwnGroupAndCleanSignals) {
    const TempDir dir;
    // A descriptor without close-on-exec, as a careless library might leave open.
    const auto marker = dir.write("marker", "");
    const int leaky = ::open(marker.c_str(), O_RDONLY);
    ASSERT_GE(leaky, 0);
    // A blocked and an ignored signal in the calling thread and process.
    sigset_t blocked, previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previousMask), 0);
    struct sigaction ignore = {};
    struct sigaction previousAction = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGUSR2, &ignore, &previousAction), 0);

    const auto tool = writeTool(dir, "probe",
                                "readlink /proc/$$/fd/0\n"
                                "if cat; then echo input-ended; fi\n"
                                "ls -l /proc/$$/fd | grep -c marker\n"
                                "echo \"$$ $(cut -d' ' -f5-7 /proc/$$/stat)\"");
    const std::string output = runProcess(tool.string(), {}, plainEnvironment(dir).forChild(), kToolTimeLimit).output;
    // A shell clears its signal mask on start, so the signal state is read by a program
    // started directly.
    const std::string signalState = runProcess("/usr/bin/grep", {"-E", "^Sig(Blk|Ign)", "/proc/self/status"},
                                               plainEnvironment(dir).forChild(), kToolTimeLimit)
                                        .output;

    // Given an input, the child reads it and then the end.
    const std::string given =
        runProcess(tool.string(), {}, plainEnvironment(dir).forChild(), kToolTimeLimit, {}, {}, "123456\n").output;
    EXPECT_EQ(given.substr(0, 5), "pipe:") << given;
    EXPECT_NE(given.find("\n123456\ninput-ended\n"), std::string::npos) << given;

    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    sigaction(SIGUSR2, &previousAction, nullptr);
    ::close(leaky);

    std::istringstream lines(output + signalState);
    std::string stdinTarget, inputEnded, markerCount, pidAndGroup, sigBlk, sigIgn;
    std::getline(lines, stdinTarget);
    std::getline(lines, inputEnded);
    std::getline(lines, markerCount);
    std::getline(lines, pidAndGroup);
    std::getline(lines, sigBlk);
    std::getline(lines, sigIgn);
    EXPECT_EQ(stdinTarget, "/dev/null");
    EXPECT_EQ(inputEnded, "input-ended") << "reading standard input ends at once";
    EXPECT_EQ(markerCount, "0") << "no descriptor of ours reaches the child";
    std::istringstream ids(pidAndGroup);
    std::string pid, group, session, terminal;
    ids >> pid >> group >> session >> terminal;
    ASSERT_FALSE(pid.empty()) << output;
    EXPECT_EQ(group, pid) << "the child leads its own group";
    // Without a controlling terminal, a prompt reads standard input, not the terminal.
    EXPECT_EQ(session, pid) << "the child leads its own session";
    EXPECT_EQ(terminal, "0") << "the child has no controlling terminal";
    EXPECT_EQ(sigBlk, "SigBlk:\t0000000000000000");
    // glibc's posix_spawn leaves its two internal real-time signals (32, 33) ignored; no
    // standard signal may be.
    ASSERT_EQ(sigIgn.rfind("SigIgn:\t", 0), 0u) << sigIgn;
    EXPECT_EQ(std::stoull(sigIgn.substr(8), nullptr, 16) & 0x7fffffffULL, 0u) << sigIgn;
}

struct StatusCase {
    const char* name;
    const char* script;
    std::optional<std::string> output;  // success with this standard output
    std::optional<AWSError> failure;    // or this failure
};

class ExitStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatus, DecidesResultAndMessage) {
    const TempDir dir;
    const auto tool = writeTool(dir, "tool", GetParam().script);
    if (GetParam().output) {
        EXPECT_EQ(run(tool), *GetParam().output);
    } else {
        EXPECT_EQ(failureOf([&] { run(tool); }), *GetParam().failure);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExitStatus,
    testing::Values(StatusCase{"warningsOnSuccessAreDropped", "echo '{\"a\":1}'; echo 'warning: old python' >&2",
                               "{\"a\":1}\n", std::nullopt},
                    StatusCase{"outputBytesUntouched", "printf '\\377 raw \\n\\n'", "\xff raw \n\n", std::nullopt},
                    StatusCase{"emptyStderr", "exit 2", std::nullopt, ended(ToolEnding::exited(2))},
                    StatusCase{"stderrTrimmedStdoutDropped",
                               "echo '[{\"id\":1}]'; printf '\\n  An error occurred (AuthFailure)\\n\\t' >&2; exit 1",
                               std::nullopt, AWSError::failed("An error occurred (AuthFailure)")},
                    StatusCase{"ideographicSpaceTrimmed", "printf '\\343\\200\\200失敗\\343\\200\\200\\n' >&2; exit 1",
                               std::nullopt, AWSError::failed("失敗")},
                    StatusCase{"whitespaceOnlyStderr", "printf ' \\n\\t\\n' >&2; exit 255", std::nullopt,
                               ended(ToolEnding::exited(255))},
                    StatusCase{"invalidUTF8Stderr", "printf 'bad \\377\\376' >&2; exit 3", std::nullopt,
                               ended(ToolEnding::exited(3))},
                    StatusCase{"stdoutNeverInMessage", "echo 'only on stdout'; exit 4", std::nullopt,
                               ended(ToolEnding::exited(4))},
                    StatusCase{"killedBySignal", "kill -KILL $$", std::nullopt, ended(ToolEnding::signalled(9))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunProcess, DrainsBothStreamsWhenStderrFillsThePipeFirst) {
    const TempDir dir;
    const auto tool = writeTool(dir, "loud",
                                "head -c 1048576 /dev/zero | tr '\\0' e >&2\n"
                                "head -c 1048576 /dev/zero | tr '\\0' o\n"
                                "head -c 1048576 /dev/zero | tr '\\0' e >&2\n"
                                "echo end");
    const std::string output = run(tool);
    EXPECT_EQ(output.size(), 1048576u + 4);
    EXPECT_EQ(output.substr(output.size() - 4), "end\n");

    const auto failing = writeTool(dir, "failing", "head -c 1048576 /dev/zero | tr '\\0' e >&2; exit 1");
    EXPECT_EQ(failureOf([&] { run(failing); }), AWSError::failed(std::string(1048576, 'e')));
}

TEST(RunProcess, LaunchFailureThrowsTheSystemErrorAndLeaksNothing) {
    const TempDir dir;
    const auto plain = dir.write("plain", "#!/bin/sh\necho never\n");
    std::filesystem::create_directory(dir / "folder");
    const struct {
        std::filesystem::path path;
        int error;
    } cases[] = {{dir / "missing", ENOENT}, {plain, EACCES}, {dir / "folder", EACCES}};

    const int descriptorsBefore = openDescriptorCount();
    for (const auto& c : cases) {
        try {
            run(c.path);
            ADD_FAILURE() << c.path << " started";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), c.error) << c.path;
            EXPECT_NE(std::string(error.what()).find(c.path.string()), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child is left to reap";
}

struct LimitCase {
    const char* name;
    const char* script;  // must write its pid to ./pid first
    std::chrono::milliseconds limit;
    AWSError failure;
    bool dropped = false;  // asked to stop, from another thread, once the tool has written its pid
};

class TimeLimit : public testing::TestWithParam<LimitCase> {};

TEST_P(TimeLimit, EndsTheWholeGroupAndThrows) {
    const TempDir dir;
    const auto pidFile = dir / "pid";
    const auto tool = writeTool(dir, "hang", "pidfile='" + pidFile.string() + "'\n" + GetParam().script);
    const int descriptorsBefore = openDescriptorCount();

    std::stop_source dropping;
    std::jthread dropper;
    if (GetParam().dropped) {
        dropper = std::jthread([&](std::stop_token given) {
            while (!given.stop_requested() && readFile(pidFile).empty()) std::this_thread::sleep_for(10ms);
            dropping.request_stop();
        });
    }
    EXPECT_EQ(failureOf([&] { run(tool, {}, GetParam().limit, dropping.get_token()); }), GetParam().failure);
    dropper = {};

    const std::string pidText = readFile(pidFile);
    ASSERT_FALSE(pidText.empty()) << "the tool did not get to write its pid";
    const pid_t pid = std::stoi(pidText);
    errno = 0;
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "the child has been reaped";
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(liveMembersOf(pid), std::vector<pid_t>{}) << "nothing of its process group is left running";
    EXPECT_EQ(test::childrenOf(), std::vector<test::ProcessEntry>{}) << "no child is left, not even a zombie";
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeLimit,
    testing::Values(LimitCase{"sleepingTool", "echo $$ > \"$pidfile\"; sleep 30", 500ms,
                              ended(ToolEnding::timedOut(500ms))},
                    LimitCase{"grandchildHoldsStdout", "echo $$ > \"$pidfile\"; sleep 30 & exit 0", 500ms,
                              ended(ToolEnding::timedOut(500ms))},
                    LimitCase{"closedPipesButRunning", "echo $$ > \"$pidfile\"; exec sleep 30 >&- 2>&-", 500ms,
                              ended(ToolEnding::timedOut(500ms))},
                    LimitCase{"ignoresTermination", "trap '' TERM; echo $$ > \"$pidfile\"; sleep 30", 1000ms,
                              ended(ToolEnding::timedOut(1000ms))},
                    // Long before its limit, once no longer wanted.
                    LimitCase{"droppedWithAGrandchild", "sleep 300 & echo $$ > \"$pidfile\"; wait", kToolTimeLimit,
                              ended(ToolEnding::dropped()), true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tamsel

// --- ending ---------------------------------------------------------------------------
// The application's end ends the tool calls under way, each with its whole process group,
// and refuses new ones. The switch is process-wide and one-way, so each case runs in a
// child process of its own (a death test).

namespace tamsel {
namespace {

using namespace std::chrono_literals;

// Runs `body` in a child process; the child exits 0 when body returns true, and says on
// stderr why it did not.
template <typename Body>
void inOwnProcess(Body body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(body() ? 0 : 1), testing::ExitedWithCode(0), "");
}

bool fails(const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return false;
}

struct EndingCase {
    const char* name;
    const char* script;  // calls `ready` once set up
    int signal;          // the signal the call under way is then said to have ended by
};

class EndRunningProcesses : public testing::TestWithParam<EndingCase> {};

TEST_P(EndRunningProcesses, EndsTheWholeGroupWithinTheGraceAndRefusesLaterRuns) {
    test::TempDir dir;
    const auto started = dir / "started";
    const auto pidFile = dir / "pid";
    const auto tool = test::writeTool(
        dir, "aws",
        "ready() { echo $$ > '" + pidFile.string() + "'; touch '" + started.string() + "'; }\n" + GetParam().script);
    const auto marker = dir / "ran";
    const auto recorder = test::writeTool(dir, "record", "touch '" + marker.string() + "'");
    constexpr auto grace = 300ms;

    inOwnProcess([&] {
        auto call = std::async(std::launch::async, [&] {
            try {
                toolOutput(runProcess(tool.string(), {}, Environment::current().forChild(), 30s), 30s);
                return std::string("returned");
            } catch (const AWSError& error) {
                return describe(error);
            }
        });
        while (!std::filesystem::exists(started)) std::this_thread::sleep_for(10ms);
        const pid_t group = std::stoi(readFile(pidFile));

        const auto before = std::chrono::steady_clock::now();
        if (!endRunningProcesses(grace)) return fails("the list could not be had");
        const auto took = std::chrono::steady_clock::now() - before;
        if (took > grace + kListWait) return fails("ending took " + std::to_string(took / 1ms) + " ms");
        // Everything has had SIGKILL by now: only the kernel's moment to finish is waited for.
        for (int i = 0; i < 100 && !liveMembersOf(group).empty(); ++i) std::this_thread::sleep_for(10ms);
        if (!liveMembersOf(group).empty()) return fails("its process group outlived the ending");
        // Long before the 30 s limit, and the failure says how it ended.
        const std::string outcome = call.get();
        if (outcome != describe(ended(ToolEnding::signalled(GetParam().signal))))
            return fails("the call ended with: " + outcome);

        try {
            toolOutput(runProcess(recorder.string(), {}, Environment::current().forChild(), 30s), 30s);
            return fails("a later run returned");
        } catch (const AWSError& error) {
            if (error.kind() != AWSError::Kind::failed || std::filesystem::exists(marker))
                return fails("a later run was started");
        }
        return true;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndRunningProcesses,
    testing::Values(EndingCase{"endsOnTermination", "ready; exec sleep 60", SIGTERM},
                    EndingCase{"ignoresTermination", "trap '' TERM; ready; sleep 60", SIGKILL},
                    // The tool ends on SIGTERM, but a helper it started (stderr and stdout elsewhere)
                    // ignores it: the group stays listed until the helper has had SIGKILL too.
                    EndingCase{"leavesAHelperThatIgnoresTermination",
                               "trap '' TERM; sleep 60 >/dev/null 2>&1 & trap - TERM; ready; exec sleep 60", SIGTERM}),
    [](const auto& info) { return std::string(info.param.name); });

// Two threads on their way out at once (Qt's Wayland plugin meets the broken connection on
// two): the one that would end the process first waits for the other's ending, so what
// ignores SIGTERM still gets SIGKILL before the process is gone.
TEST(EndRunningProcesses, ASecondEndingWaitsForTheOneUnderWay) {
    test::TempDir dir;
    const auto started = dir / "started";
    const auto pidFile = dir / "pid";
    const auto tool = test::writeTool(
        dir, "aws", "trap '' TERM; echo $$ > '" + pidFile.string() + "'; touch '" + started.string() + "'; sleep 60");

    inOwnProcess([&] {
        auto call = std::async(std::launch::async, [&] {
            return runProcess(tool.string(), {}, Environment::current().forChild(), 30s).status;
        });
        while (!std::filesystem::exists(started)) std::this_thread::sleep_for(10ms);
        const pid_t group = std::stoi(readFile(pidFile));

        auto first = std::async(std::launch::async, [] { return endRunningProcesses(kListWait * 2); });
        std::this_thread::sleep_for(100ms);
        if (!endRunningProcesses(0ms)) return fails("the second ending gave up");
        for (int i = 0; i < 100 && !liveMembersOf(group).empty(); ++i) std::this_thread::sleep_for(10ms);
        if (!liveMembersOf(group).empty()) return fails("the tool outlived the second ending");
        if (!first.get()) return fails("the first ending gave up");
        if (call.get() != SIGKILL) return fails("the call did not end by SIGKILL");
        return true;
    });
}

}  // namespace
}  // namespace tamsel
