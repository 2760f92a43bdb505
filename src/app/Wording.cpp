#include "app/Wording.h"

#include <initializer_list>

namespace tamsel::words {
namespace {

// `parts` joined, for the texts put together from pieces.
std::string join(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text += part;
    return text;
}

}  // namespace

std::string header(const std::optional<std::string>& version) {
    std::string text(kAppName);
    if (version) text += "  v" + *version;
    return text;
}

std::string lastUpdated(std::string_view time) { return join({"最終更新: ", time}); }

std::string errorSummaryLine(std::string_view summary) { return join({"⚠️ ", summary}); }
std::string errorHintLine(std::string_view hint) { return join({"　", hint}); }
std::string copySignInCode(std::string_view code) { return join({"　コードをコピー（", code, "）"}); }

std::string runningForDays(long long days, long long hours) {
    return "起動から " + std::to_string(days) + " 日 " + std::to_string(hours) + " 時間";
}
std::string runningForHours(long long hours, long long minutes) {
    return "起動から " + std::to_string(hours) + " 時間 " + std::to_string(minutes) + " 分";
}
std::string runningForMinutes(long long minutes) { return "起動から " + std::to_string(minutes) + " 分"; }

std::string stopDue(std::string_view hourMinute) { return join({hourMinute, " に停止予定"}); }
std::string stopAfterHours(int hours) { return std::to_string(hours) + " 時間後"; }
std::string cancelStopBooking(std::string_view hourMinute) {
    return join({"予約を取り消す（", hourMinute, " に停止）"});
}
std::string copyPublicIP(std::string_view address) { return join({"パブリック IP をコピー（", address, "）"}); }
std::string copyPrivateIP(std::string_view address) { return join({"プライベート IP をコピー（", address, "）"}); }

std::string ingressLockEntry(std::string_view choice) { return join({"起動時に SG を自分の IP 専用にする: ", choice}); }

std::string regionRunningCount(std::size_t count) { return "（起動中 " + std::to_string(count) + "）"; }
std::string sweepProgress(std::size_t done, std::size_t total) {
    return "確認中… " + std::to_string(done) + "/" + std::to_string(total);
}
std::string sweepRegionsAgain(std::string_view hourMinute) { return join({kSweepRegions, "（", hourMinute, "）"}); }
std::string moreInstances(std::size_t count) { return "ほかに " + std::to_string(count) + " 台"; }

std::string regionEntry(const std::optional<std::string>& region) {
    return join({"リージョン: ", region ? std::string_view(*region) : kDefault});
}

std::string lockGroupNotAttached(std::string_view groupID) {
    return join({groupID, " はこのインスタンスに紐づいていません"});
}
std::string stopQuestion(std::string_view name) { return join({name, " を停止しますか？"}); }
std::string mfaCodeQuestion(std::string_view device) {
    return join({"MFA デバイス:\n", device, "\n\nこのデバイスに表示されている 6 桁のコードを入力してください。"});
}
std::string ingressLockQuestion(std::string_view groupID) {
    return join({groupID, " のインバウンドルールを起動のたびに書き換えますか？"});
}
std::string settingsNotSavedBody(std::string_view file, std::string_view reason) {
    return join({"設定ファイル: ", file, "\n理由: ", reason,
                 "\n\nこの選択は終了するまで有効です。次に設定を変更したときに、もう一度保存します。"});
}

std::string hasStarted(std::string_view name) { return join({name, " が起動しました"}); }
std::string publicIP(std::string_view address) { return join({"パブリック IP: ", address}); }
std::string hasStopped(std::string_view name) { return join({name, " が停止しました"}); }
std::string stoppedAsBooked(std::string_view name) { return join({name, " を予約どおり停止しました"}); }
std::string stillChanging(std::string_view name, std::string_view state) {
    return join({name, " はまだ ", state, " です"});
}
std::string didNotStart(std::string_view name, std::string_view state) {
    return join({name, " は起動しませんでした（", state, "）"});
}
std::string didNotStop(std::string_view name, std::string_view state) {
    return join({name, " は停止しませんでした（", state, "）"});
}

std::string signInPrompt(const std::optional<std::string>& code) {
    if (!code) return "ブラウザで次の URL を開いてください";
    return "ブラウザで次の URL を開き、コード " + *code + " を入力してください";
}

std::string missedStopBooking(std::string_view name, std::string_view hourMinute) {
    return join({name, " の停止予約（", hourMinute, "）は orvane が動いていなかったため実行されませんでした"});
}
std::string stopBookingMissedAsleep(std::string_view name, std::string_view hourMinute) {
    return join({name, " の停止予約（", hourMinute, "）はスリープ中だったため実行されませんでした"});
}
std::string stopBookingOvertaken(std::string_view name, std::string_view hourMinute) {
    return join({name, " の停止予約（", hourMinute, "）は、予約のあとで停止されていたため取り消しました"});
}
std::string stopBookingFailed(std::string_view name, std::string_view hourMinute) {
    return join({name, " の停止予約（", hourMinute, "）を実行できませんでした"});
}

}  // namespace tamsel::words
