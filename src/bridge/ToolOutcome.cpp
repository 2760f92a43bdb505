#include "bridge/ToolOutcome.h"

#include <utility>

#include "bridge/AWSError.h"
#include "bridge/Text.h"

namespace tamsel {
namespace {

std::string limitText(std::chrono::milliseconds limit) {
    if (limit.count() % 1000 == 0) return std::to_string(limit.count() / 1000) + " 秒";
    return std::to_string(limit.count()) + " ミリ秒";
}

}  // namespace

std::string toolOutput(ProcessResult result, std::chrono::milliseconds timeLimit) {
    using Ending = ProcessResult::Ending;
    switch (result.ending) {
        case Ending::refused:
            throw AWSError::failed("アプリケーションの終了中のため aws を起動しませんでした");
        case Ending::timedOut:
            throw AWSError::failed("aws が " + limitText(timeLimit) + "以内に終了しなかったため中止しました");
        case Ending::exited:
        case Ending::signalled:
            break;
    }
    if (result.succeeded()) return std::move(result.output);

    std::string message = isValidUTF8(result.error) ? trimWhitespaceAndNewlines(result.error) : std::string();
    if (message.empty()) {
        message = result.ending == Ending::signalled
                      ? "aws がシグナル " + std::to_string(result.status) + " で強制終了されました"
                      : "aws が終了コード " + std::to_string(result.status) + " で失敗しました";
    }
    throw AWSError::failed(std::move(message));
}

}  // namespace tamsel
