#include "bridge/ToolOutcome.h"

#include <utility>

#include "bridge/AWSError.h"
#include "bridge/Text.h"

namespace tamsel {
std::string toolOutput(ProcessResult result, std::chrono::milliseconds timeLimit) {
    using Ending = ProcessResult::Ending;
    switch (result.ending) {
        case Ending::refused: throw AWSError::failed(ToolEnding::notStarted());
        case Ending::dropped: throw AWSError::failed(ToolEnding::dropped());
        case Ending::timedOut: throw AWSError::failed(ToolEnding::timedOut(timeLimit));
        case Ending::exited:
        case Ending::signalled: break;
    }
    if (result.succeeded()) return std::move(result.output);

    std::string message = isValidUTF8(result.error) ? trimWhitespaceAndNewlines(result.error) : std::string();
    if (message.empty()) {
        throw AWSError::failed(result.ending == Ending::signalled ? ToolEnding::signalled(result.status)
                                                                  : ToolEnding::exited(result.status));
    }
    throw AWSError::failed(std::move(message));
}

}  // namespace tamsel
