#include "bridge/ProcessFailure.h"

#include <utility>

namespace tamsel {
namespace {

// For what(): debugging and logs, not the user.
std::string stepName(ProcessFailure::Step step, const std::string& program) {
    switch (step) {
        case ProcessFailure::Step::makePipe: return "pipe2";
        case ProcessFailure::Step::preparePipe: return "fcntl(F_DUPFD_CLOEXEC)";
        case ProcessFailure::Step::start: return "posix_spawn " + program;
        case ProcessFailure::Step::awaitOutput: return "poll";
        case ProcessFailure::Step::awaitExit: return "waitpid";
    }
    return "child process";
}

}  // namespace

ProcessFailure::ProcessFailure(Step step, int error, std::string program)
    : std::system_error(error, std::generic_category(), stepName(step, program)),
      step_(step),
      program_(std::move(program)) {}

}  // namespace tamsel
