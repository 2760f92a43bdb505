#pragma once
// A fake aws tool in a temp dir, for tests that run the real AWSCLI without the cloud.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bridge/AWSCLI.h"
#include "support/TempDir.h"

namespace tamsel::test {

// Each call logs its arguments (NUL-terminated) to calls/N and its PATH and AWS_PAGER to
// envs/N. For the second command word W it first sleeps for the seconds in delay-W when
// that exists, then prints note-W to standard error and reply-W, or, when fail-W exists,
// prints that to standard error and exits 1. When hold-W exists, it then waits for
// release-W before it exits. It only ever expands its arguments inside double
// quotes, so whatever they hold is logged as it came.
class FakeTool {
public:
    using Arguments = std::vector<std::string>;

    FakeTool() {
        std::filesystem::create_directory(dir_ / "calls");
        std::filesystem::create_directory(dir_ / "envs");
        const std::string d = dir_.path().string();
        path_ = writeTool(dir_, "aws",
                          "d='" + d +
                              "'\n"
                              "n=$(ls \"$d/calls\" | wc -l)\n"
                              "for a; do printf '%s\\0' \"$a\"; done > \"$d/calls/$n\"\n"
                              "printf '%s\\n%s\\n' \"$PATH\" \"${AWS_PAGER-unset}\" > \"$d/envs/$n\"\n"
                              "if [ -f \"$d/delay-$2\" ]; then sleep \"$(cat \"$d/delay-$2\")\"; fi\n"
                              "if [ -f \"$d/fail-$2\" ]; then cat \"$d/fail-$2\" >&2; exit 1; fi\n"
                              "if [ -f \"$d/note-$2\" ]; then cat \"$d/note-$2\" >&2; fi\n"
                              "if [ -f \"$d/reply-$2\" ]; then cat \"$d/reply-$2\"; fi\n"
                              "if [ -f \"$d/hold-$2\" ]; then\n"
                              "  while [ ! -f \"$d/release-$2\" ]; do sleep 0.05; done\n"
                              "fi\n");
    }

    void reply(const std::string& word, const std::string& text) const { dir_.write("reply-" + word, text); }
    void fail(const std::string& word, const std::string& text) const { dir_.write("fail-" + word, text); }
    // Standard-error text of a call of `word` that succeeds.
    void note(const std::string& word, const std::string& text) const { dir_.write("note-" + word, text); }
    // Calls of `word` wait, once they have printed, until release(word).
    void hold(const std::string& word) const { dir_.write("hold-" + word, ""); }
    void release(const std::string& word) const { dir_.write("release-" + word, ""); }
    // Every following call of `word` takes `seconds` first (0: none).
    void delay(const std::string& word, int seconds) const {
        if (seconds > 0) dir_.write("delay-" + word, std::to_string(seconds) + "\n");
        else std::filesystem::remove(dir_ / ("delay-" + word));
    }

    AWSCLIOptions options() const {
        AWSCLIOptions options;
        options.toolPaths = {(dir_ / "missing-aws").string(), path_.string()};
        options.environment = Environment(std::map<std::string, std::string>{{"HOME", dir_.path().string()},
                                                                             {"PATH", "/usr/bin:/bin"},
                                                                             {"AWS_PAGER", "less"},
                                                                             {"SHELL", (dir_ / "no-shell").string()}});
        return options;
    }

    std::vector<Arguments> calls() const {
        std::vector<Arguments> calls;
        for (int n = 0; std::filesystem::exists(dir_ / ("calls/" + std::to_string(n))); ++n) {
            const std::string log = readFile(dir_ / ("calls/" + std::to_string(n)));
            Arguments arguments;
            size_t start = 0;
            for (size_t end; (end = log.find('\0', start)) != std::string::npos; start = end + 1) {
                arguments.push_back(log.substr(start, end - start));
            }
            calls.push_back(std::move(arguments));
        }
        return calls;
    }
    std::string environmentOfCall(int n) const { return readFile(dir_ / ("envs/" + std::to_string(n))); }

    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::filesystem::path path_;
};

}  // namespace tamsel::test
