#pragma once
// What the bridge knows of a failure that came without a text of the tool's or a library's
// own: facts, not sentences. What the user reads for each is the application's to word.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <variant>

#include "bridge/ProcessFailure.h"

namespace tamsel {

// How a run of the aws tool ended when it wrote no message.
struct ToolEnding {
    enum class Way {
        notStarted,  // refused, since the application is ending
        dropped,     // no longer wanted: not started, or ended early
        timedOut,    // ended after outliving `limit`
        signalled,   // ended by the signal `number`
        exited,      // exited with the status `number`
    };
    Way way = Way::exited;
    std::chrono::milliseconds limit{0};
    int number = 0;

    static ToolEnding notStarted() { return {Way::notStarted, {}, 0}; }
    static ToolEnding dropped() { return {Way::dropped, {}, 0}; }
    static ToolEnding timedOut(std::chrono::milliseconds limit) { return {Way::timedOut, limit, 0}; }
    static ToolEnding signalled(int signal) { return {Way::signalled, {}, signal}; }
    static ToolEnding exited(int status) { return {Way::exited, {}, status}; }

    bool operator==(const ToolEnding&) const = default;
};

// The tool answered, but not in the shape the call reads.
struct UnexpectedShape {
    bool operator==(const UnexpectedShape&) const = default;
};

// The address endpoint answered `text` (trimmed; empty when it was not UTF-8), which is no address.
struct NotAnAddress {
    std::string text;
    bool operator==(const NotAnAddress&) const = default;
};

// The address endpoint's answer ran past `limitKiB` KiB and was cut off.
struct AnswerTooLarge {
    std::size_t limitKiB = 0;
    bool operator==(const AnswerTooLarge&) const = default;
};

// The shared library `file` could not be loaded, for the loader's `reason` (absent: it gave none).
struct LibraryNotLoaded {
    std::string file;
    std::optional<std::string> reason;
    bool operator==(const LibraryNotLoaded&) const = default;
};

// The shared library `file` loaded, but lacks the function `symbol`.
struct SymbolMissing {
    std::string file;
    std::string symbol;
    bool operator==(const SymbolMissing&) const = default;
};

// A child process could not be started or followed (see ProcessFailure).
struct ProcessNotRun {
    ProcessFailure::Step step = ProcessFailure::Step::start;
    int error = 0;        // the errno value
    std::string program;  // given for Step::start
    bool operator==(const ProcessNotRun&) const = default;
};

using FailureFact = std::variant<ToolEnding, UnexpectedShape, NotAnAddress, AnswerTooLarge, LibraryNotLoaded,
                                 SymbolMissing, ProcessNotRun>;

}  // namespace tamsel
