#pragma once
// Runs one executable as a child process and tells what became of it.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/Environment.h"

namespace tamsel {

// What became of one child process.
struct ProcessResult {
    enum class Ending {
        exited,     // `status` is its exit code
        signalled,  // a signal ended it; `status` is the signal's number
        timedOut,   // it outlived its time limit, and its whole process group was ended
        refused,    // not started: the application is ending (endRunningProcesses)
        dropped,    // no longer wanted (its stop token asked it to stop): not started, or its
                    // whole process group was ended
    };
    Ending ending = Ending::exited;
    int status = 0;
    std::string output;  // standard output, complete (up to the end, for a timed-out child)
    std::string error;   // standard error, likewise

    bool succeeded() const { return ending == Ending::exited && status == 0; }
};

// Hears the child's output while it runs: each piece as it is read, from either stream.
// Called on the thread that runs the child; the pieces are in the result as well.
enum class OutputStream { output, error };
using OutputListener = std::function<void(OutputStream stream, std::string_view piece)>;

// Runs `path` directly (no shell, no search-path lookup) with `arguments`, `environment`,
// standard input from /dev/null (or, when given, `input` and then end-of-file; at most
// kMaxChildInput bytes) and both output streams drained at once. The child leads a session,
// and so a process group, of its own, without a controlling terminal: a tool that would
// ask at the terminal reads its standard input instead. The group is ended as a whole when
// the child outlives `timeLimit`; the child is always reaped before this returns.
// `listener`, when given, hears the output as it comes (see OutputListener). Once `stop`
// is asked to stop (from any thread), the child's group is ended at once, as at the time
// limit, and the run ends as dropped; a run asked before it starts starts nothing.
// Throws ProcessFailure (a std::system_error) when the child cannot be started or waited for,
// and std::system_error when the start cannot be described.
ProcessResult runProcess(const std::string& path, const std::vector<std::string>& arguments,
                         const Environment& environment, std::chrono::milliseconds timeLimit,
                         const OutputListener& listener = {}, const std::stop_token& stop = {},
                         const std::optional<std::string>& input = std::nullopt);

// What a pipe holds without a reader (POSIX guarantees no less): the input is written
// whole before the child starts.
inline constexpr std::size_t kMaxChildInput = 4096;

// For the end of the application, however it ends: refuses every later run without
// starting a child, sends SIGTERM to the process group of every child under way (each run
// then ends as signalled), and SIGKILL to the groups still there after `grace`, so that
// nothing started here outlives the application. Returns within `grace` and a moment;
// false when the children could not be reached (see RunningGroups::endAll).
bool endRunningProcesses(std::chrono::milliseconds grace);

}  // namespace tamsel
