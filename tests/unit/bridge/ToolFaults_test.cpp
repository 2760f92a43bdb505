// The tool runner under misbehaving tools: floods of standard error, a pipe held open by
// a process the runner cannot end, a long series of runs, and output that is not text.

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "bridge/AWSCLI.h"
#include "bridge/AWSError.h"
#include "bridge/ChildProcess.h"
#include "bridge/ToolOutcome.h"
#include "support/FailurePrinting.h"
#include "support/FakeAWSTool.h"
#include "support/ProcessCensus.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using namespace std::chrono_literals;
using test::childrenOf;
using test::FakeTool;
using test::openDescriptorCount;
using test::ProcessEntry;
using test::readFile;
using test::TempDir;
using test::writeTool;

constexpr size_t kFlood = 10 * 1024 * 1024;

Environment plainEnvironment(const TempDir& dir) {
    return Environment(std::map<std::string, std::string>{
        {"HOME", dir.path().string()}, {"PATH", "/usr/bin:/bin"}, {"SHELL", (dir / "no-shell").string()}});
}

// A run of `tool` as the gateway makes it: its output, or the AWSError its ending means.
std::string runTool(const std::string& tool, const std::vector<std::string>& arguments, const Environment& environment,
                    std::chrono::milliseconds limit = kToolTimeLimit) {
    return toolOutput(runProcess(tool, arguments, environment, limit), limit);
}

AWSCLIOptions onlyTool(const TempDir& dir, const std::filesystem::path& tool) {
    AWSCLIOptions options;
    options.toolPaths = {tool.string()};
    options.environment = plainEnvironment(dir);
    options.toolTimeLimit = 60s;  // a bound against a hang of the test, far above what a run takes
    return options;
}

TEST(ToolFaults, TenMegabytesOfStandardErrorBeforeTheOutputStillGiveTheResult) {
    const TempDir dir;
    // 10 MiB of warnings first, then the answer (or the failure's own last line).
    const auto tool = writeTool(dir, "aws",
                                "printf ' \\n\\t' >&2\n"
                                "head -c " +
                                    std::to_string(kFlood) +
                                    " /dev/zero | tr '\\0' w >&2\n"
                                    "case \"$2\" in\n"
                                    "describe-instances) echo '[{\"id\":\"i-1\",\"state\":\"running\",\"type\":"
                                    "\"t3.micro\",\"name\":\"web\",\"sgs\":[{\"id\":\"sg-1\",\"name\":\"ssh\"}]}]' ;;\n"
                                    "*) printf '\\nAn error occurred (IncorrectInstanceState) when calling the "
                                    "StartInstances operation\\n\\n' >&2; exit 254 ;;\n"
                                    "esac");
    AWSCLI cli(onlyTool(dir, tool));

    const auto instances = cli.describeInstances({});
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(instances[0].id, "i-1");
    EXPECT_EQ(instances[0].name, "web");
    ASSERT_EQ(instances[0].securityGroups.size(), 1u);
    EXPECT_EQ(instances[0].securityGroups[0].id, "sg-1");

    try {
        cli.start("i-1", {});
        ADD_FAILURE() << "no error";
    } catch (const AWSError& error) {
        const std::string expected =
            std::string(kFlood, 'w') +
            "\nAn error occurred (IncorrectInstanceState) when calling the StartInstances operation";
        EXPECT_EQ(error.kind(), AWSError::Kind::failed);
        EXPECT_EQ(error.text().size(), expected.size());
        EXPECT_TRUE(error.text() == expected) << "the message is the whole standard error, trimmed";
        EXPECT_EQ(error.cause(), FailureCause::wrongInstanceState);
    }
}

// Ends, when the test is over, a process the test caused but the runner could not reach.
class EscapedProcess {
public:
    explicit EscapedProcess(std::filesystem::path pidFile) : pidFile_(std::move(pidFile)) {}
    ~EscapedProcess() {
        const pid_t found = pid();
        // Only while it is still the sleep the tool started, so that a reused pid is left alone.
        if (found > 0 && test::readProcFile("/proc/" + std::to_string(found) + "/cmdline").rfind("sleep", 0) == 0) {
            kill(found, SIGKILL);
        }
    }
    EscapedProcess(const EscapedProcess&) = delete;
    EscapedProcess& operator=(const EscapedProcess&) = delete;

    pid_t pid() const {
        const std::string text = readFile(pidFile_);
        return text.empty() ? -1 : std::stoi(text);
    }
    void end() const {
        if (const pid_t found = pid(); found > 0) kill(found, SIGKILL);
    }

private:
    std::filesystem::path pidFile_;
};

TEST(ToolFaults, PipeHeldByAProcessOutsideTheGroupEndsAtTheLimit) {
    const TempDir dir;
    const auto pidFile = dir / "escaped.pid";
    const EscapedProcess escaped(pidFile);
    // The tool exits at once, but leaves a process in a session of its own that keeps both
    // pipes open: ending the tool's process group cannot reach it.
    const auto tool = writeTool(dir, "tool",
                                "setsid sh -c 'echo $$ > \"$1\"; exec sleep 30' sh '" + pidFile.string() +
                                    "' &\n"
                                    "while [ ! -s '" +
                                    pidFile.string() +
                                    "' ]; do sleep 0.01; done\n"
                                    "echo partial\n"
                                    "exit 0");
    const int descriptorsBefore = openDescriptorCount();

    try {
        runTool(tool.string(), {}, plainEnvironment(dir).forChild(), 500ms);
        ADD_FAILURE() << "no error";
    } catch (const AWSError& error) {
        EXPECT_EQ(error, AWSError::failed(ToolEnding::timedOut(500ms)));
    }

    ASSERT_GT(escaped.pid(), 0) << "the tool did not get to start its helper";
    EXPECT_EQ(kill(escaped.pid(), 0), 0) << "the helper was out of reach, as meant";
    EXPECT_EQ(childrenOf(), std::vector<ProcessEntry>{}) << "the tool is reaped, no zombie is left";
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
}

// The state of this process's child `pid` ('Z' for a zombie), or 0 once it is reaped.
char childState(pid_t pid) {
    for (const ProcessEntry& child : childrenOf())
        if (child.pid == pid) return child.state;
    return 0;
}

TEST(ToolFaults, ExitedToolIsKeptUnreapedWhileItsGroupMayStillBeSignalled) {
    const TempDir dir;
    const auto toolPidFile = dir / "tool.pid";
    const auto helperPidFile = dir / "helper.pid";
    const auto tool = writeTool(dir, "tool",
                                "echo $$ > '" + toolPidFile.string() +
                                    "'\n"
                                    "setsid sh -c 'echo $$ > \"$1\"; exec sleep 30' sh '" +
                                    helperPidFile.string() +
                                    "' &\n"
                                    "while [ ! -s '" +
                                    helperPidFile.string() +
                                    "' ]; do sleep 0.01; done\n"
                                    "echo partial");
    std::string output;
    std::string failure;
    // Declared before the helper, so that the helper is ended before the call is joined.
    std::jthread call([&] {
        try {
            output = runTool(tool.string(), {}, plainEnvironment(dir).forChild(), 60s);
        } catch (const std::exception& error) {
            failure = error.what();
        }
    });
    const EscapedProcess helper(helperPidFile);

    // The tool has exited; its helper, out of the group's reach, still holds the pipes.
    const auto until = std::chrono::steady_clock::now() + 60s;  // a hang guard
    pid_t toolPid = -1;
    while (std::chrono::steady_clock::now() < until) {
        if (toolPid < 0 && !readFile(toolPidFile).empty() && helper.pid() > 0)
            toolPid = std::stoi(readFile(toolPidFile));
        if (toolPid > 0 && childState(toolPid) == 'Z') break;
        if (toolPid > 0 && childState(toolPid) == 0) break;
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_GT(toolPid, 0);
    // Its pid is the group's id: reaped now, it could be given to a new group that the
    // time limit would then signal. Kept as a zombie, it cannot.
    EXPECT_EQ(childState(toolPid), 'Z');

    helper.end();
    call.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(output, "partial\n") << "once the pipes close, the exited tool's answer counts";
    EXPECT_EQ(childrenOf(), std::vector<ProcessEntry>{});
}

TEST(ToolFaults, AThousandRunsLeaveDescriptorsAndChildrenAsTheyWere) {
    const TempDir dir;
    const auto tool = writeTool(dir, "tool",
                                "case \"$1\" in\n"
                                "ok) printf 'out %s' \"$2\"; echo 'a warning' >&2 ;;\n"
                                "fail) echo '{}'; printf ' failed %s \\n' \"$2\" >&2; exit 3 ;;\n"
                                "silent) exit 4 ;;\n"
                                "signal) kill -KILL $$ ;;\n"
                                "hang) sleep 30 & sleep 30 ;;\n"
                                "esac");
    const auto notExecutable = dir.write("plain", "#!/bin/sh\necho never\n");
    const Environment environment = plainEnvironment(dir).forChild();

    // Warm up what the first run allocates once (the locale, the dynamic loader's files).
    runTool(tool.string(), {"ok", "0"}, environment);
    const int descriptorsBefore = openDescriptorCount();
    const auto childrenBefore = childrenOf();
    ASSERT_EQ(childrenBefore, std::vector<ProcessEntry>{});

    int launchFailures = 0;
    int timeOuts = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        std::string outcome;
        try {
            if (i % 50 == 0) {
                outcome = runTool((dir / "missing").string(), {}, environment);
            } else if (i % 50 == 25) {
                outcome = runTool(notExecutable.string(), {}, environment);
            } else if (i % 250 == 110) {
                outcome = runTool(tool.string(), {"hang"}, environment, 100ms);
            } else if (i % 3 == 0) {
                outcome = runTool(tool.string(), {"fail", n}, environment);
            } else if (i % 7 == 0) {
                outcome = runTool(tool.string(), {i % 2 ? "silent" : "signal"}, environment);
            } else {
                outcome = "returned " + runTool(tool.string(), {"ok", n}, environment);
            }
        } catch (const AWSError& error) {
            outcome = "failed " + describe(error);
        } catch (const std::system_error& error) {
            outcome = "not started";
        }

        std::string expected;
        if (i % 50 == 0 || i % 50 == 25) {
            expected = "not started";
            ++launchFailures;
        } else if (i % 250 == 110) {
            expected = "failed [timed out after 100 ms]";
            ++timeOuts;
        } else if (i % 3 == 0) {
            expected = "failed failed " + n;
        } else if (i % 7 == 0) {
            expected = i % 2 ? "failed [exit 4]" : "failed [signal 9]";
        } else {
            expected = "returned out " + n;
        }
        ASSERT_EQ(outcome, expected) << "run " << i;
    }
    EXPECT_EQ(launchFailures, 40);
    EXPECT_EQ(timeOuts, 4);

    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    EXPECT_EQ(childrenOf(), childrenBefore);
}

TEST(ToolFaults, OutputComesBackByteForByte) {
    // Every byte value, runs of NUL, bytes that are not UTF-8, no final line feed, and a
    // length that is no multiple of any read size.
    std::string bytes;
    for (size_t i = 0; bytes.size() < (1u << 20) + 13; ++i) {
        bytes.push_back(static_cast<char>((i * 7 + i / 256) & 0xff));
        if (i % 4099 == 0) bytes.append(300, '\0');
    }
    bytes.append("\r\n\0\xff", 4);
    const FakeTool fake;
    fake.reply("get-object", bytes);

    const std::string output = AWSCLI(fake.options()).run({"s3api", "get-object"}, {}, true);

    EXPECT_EQ(output.size(), bytes.size());
    EXPECT_TRUE(output == bytes);
}

}  // namespace
}  // namespace tamsel
