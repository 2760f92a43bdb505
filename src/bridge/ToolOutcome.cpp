#include "bridge/ToolOutcome.h"

#include <utility>

#include "bridge/AWSError.h"
#include "bridge/BridgeWording.h"
#include "bridge/Text.h"

namespace tamsel {
std::string toolOutput(ProcessResult result, std::chrono::milliseconds timeLimit) {
    using Ending = ProcessResult::Ending;
    switch (result.ending) {
        case Ending::refused: throw AWSError::failed(std::string(bridgeWords::kNotStartedWhileEnding));
        case Ending::timedOut: throw AWSError::failed(bridgeWords::timedOut(timeLimit));
        case Ending::exited:
        case Ending::signalled: break;
    }
    if (result.succeeded()) return std::move(result.output);

    std::string message = isValidUTF8(result.error) ? trimWhitespaceAndNewlines(result.error) : std::string();
    if (message.empty()) {
        message = result.ending == Ending::signalled ? bridgeWords::endedBySignal(result.status)
                                                     : bridgeWords::exitedWith(result.status);
    }
    throw AWSError::failed(std::move(message));
}

}  // namespace tamsel
