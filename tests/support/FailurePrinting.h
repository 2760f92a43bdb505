#pragma once
// The bridge's failures as short plain text, so that tests can print them and compare an
// outcome that is either a value or a failure.

#include <ostream>
#include <string>
#include <type_traits>
#include <variant>

#include "bridge/AWSError.h"

namespace tamsel {

inline std::string describe(const FailureFact& fact) {
    return std::visit(
        [](const auto& f) -> std::string {
            using Fact = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<Fact, ToolEnding>) {
                switch (f.way) {
                    case ToolEnding::Way::notStarted: return "not started";
                    case ToolEnding::Way::dropped: return "dropped";
                    case ToolEnding::Way::timedOut: return "timed out after " + std::to_string(f.limit.count()) + " ms";
                    case ToolEnding::Way::signalled: return "signal " + std::to_string(f.number);
                    case ToolEnding::Way::exited: return "exit " + std::to_string(f.number);
                }
                return "?";
            } else if constexpr (std::is_same_v<Fact, UnexpectedShape>) {
                return "unexpected shape";
            } else if constexpr (std::is_same_v<Fact, NotAnAddress>) {
                return "not an address: " + f.text;
            } else if constexpr (std::is_same_v<Fact, AnswerTooLarge>) {
                return "over " + std::to_string(f.limitKiB) + " KiB";
            } else if constexpr (std::is_same_v<Fact, LibraryNotLoaded>) {
                return f.file + " not loaded: " + f.reason.value_or("(no reason)");
            } else if constexpr (std::is_same_v<Fact, SymbolMissing>) {
                return f.file + " lacks " + f.symbol;
            } else {
                static_assert(std::is_same_v<Fact, ProcessNotRun>);
                return "not run: step " + std::to_string(static_cast<int>(f.step)) + ", errno " +
                       std::to_string(f.error);
            }
        },
        fact);
}

// The text, or the fact in brackets.
inline std::string describe(const AWSError& error) {
    return error.fact() ? "[" + describe(*error.fact()) + "]" : error.text();
}

inline void PrintTo(const AWSError& error, std::ostream* os) {
    constexpr const char* kKinds[] = {"cliNotFound", "failed", "ipLookupFailed"};
    *os << kKinds[static_cast<int>(error.kind())] << " " << describe(error);
}

}  // namespace tamsel
