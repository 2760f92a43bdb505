#pragma once
// The texts the bridge puts into a failure where no tool gave one: how the aws tool ended
// when it wrote nothing, an answer of the wrong shape, the address lookup's and libcurl's
// troubles. The user reads them as the detail under a failure (the tool's message), so
// they are kept together here, beside nothing else.

#include <chrono>
#include <string>
#include <string_view>

namespace tamsel::bridgeWords {

// The tool answered, but not with what the call reads.
inline constexpr std::string_view kUnexpectedResponse = "想定外のレスポンスです";

// How a run of the aws tool that wrote no message ended.
inline constexpr std::string_view kNotStartedWhileEnding = "アプリケーションの終了中のため aws を起動しませんでした";
inline std::string timedOut(std::chrono::milliseconds limit) {
    const std::string within = limit.count() % 1000 == 0 ? std::to_string(limit.count() / 1000) + " 秒"
                                                         : std::to_string(limit.count()) + " ミリ秒";
    return "aws が " + within + "以内に終了しなかったため中止しました";
}
inline std::string endedBySignal(int signal) {
    return "aws がシグナル " + std::to_string(signal) + " で強制終了されました";
}
inline std::string exitedWith(int status) { return "aws が終了コード " + std::to_string(status) + " で失敗しました"; }

// The address endpoint answered something that is not an address: `text`, or a body over `kib` KiB.
inline std::string unexpectedAnswer(std::string_view text) { return "想定外の応答です: " + std::string(text); }
inline std::string answerTooLarge(std::size_t kib) {
    return unexpectedAnswer(std::to_string(kib) + " KiB を超える応答");
}

// libcurl could not be loaded from `file`, for `reason` (absent: the loader gave none), or lacks `symbol`.
inline std::string libraryNotLoaded(const std::string& file, const char* reason) {
    return file + " を読み込めません: " + (reason ? reason : "不明な理由");
}
inline std::string symbolMissing(const std::string& file, const char* symbol) {
    return file + " に " + symbol + " がありません";
}

}  // namespace tamsel::bridgeWords
