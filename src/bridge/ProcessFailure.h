#pragma once
// A child process that could not be started or followed: the step that failed, the
// system's error number, and the program when starting it failed. A fact, not a sentence:
// what the user reads for it is the application's to word.

#include <string>
#include <system_error>

namespace tamsel {

class ProcessFailure : public std::system_error {
public:
    enum class Step {
        makePipe,     // the pipes to the child could not be made
        preparePipe,  // a pipe could not be moved above the standard streams
        start,        // the program could not be started
        awaitOutput,  // waiting for the child's output failed
        awaitExit,    // the child's end could not be waited for
    };

    // `error` is an errno value; `program` is given for `start`.
    ProcessFailure(Step step, int error, std::string program = {});

    Step step() const noexcept { return step_; }
    const std::string& program() const noexcept { return program_; }

private:
    Step step_;
    std::string program_;
};

}  // namespace tamsel
