#include "app/FailureText.h"

#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <variant>

#include "app/Wording.h"
#include "bridge/ProcessFailure.h"

namespace tamsel {
namespace {

struct Wording {
    std::string_view summary;
    const char* hint;  // nullptr: none
};

Wording wording(const Failure& failure) {
    switch (failure.kind()) {
        case Failure::Kind::cliNotFound: return {"AWS CLI が見つかりません", "AWS CLI v2 をインストールしてください"};
        case Failure::Kind::addressLookupFailed:
            return {"グローバル IP アドレスを取得できませんでした", "ネットワーク接続を確認してください"};
        case Failure::Kind::settingsNotSaved: return {words::kSettingsNotSaved, nullptr};
        case Failure::Kind::toolFailed:
        case Failure::Kind::unexpected: break;
    }
    switch (failure.cause()) {
        case FailureCause::expiredCredentials: return {"認証の有効期限が切れています", "認証情報を更新してください"};
        case FailureCause::expiredSSOSession:
            return {"認証の有効期限が切れています", "ターミナルで aws sso login を実行してください"};
        case FailureCause::noCredentials:
            return {"認証情報が設定されていません", "aws configure などで認証を設定してください"};
        case FailureCause::authenticationFailed:
            return {"認証に失敗しました", "AWS CLI の認証設定（アクセスキーが有効か）を確認してください"};
        case FailureCause::noPermission:
            return {"この操作を行う権限がありません",
                    "IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください"};
        case FailureCause::noProfile:
            return {"プロファイルが見つかりません", "メニューの「プロファイル」を選び直してください"};
        case FailureCause::noRegion:
            return {"リージョンが設定されていません", "メニューの「リージョン」を選択してください"};
        case FailureCause::noConnection: return {"AWS に接続できません", "ネットワーク接続を確認してください"};
        case FailureCause::noSecurityGroup:
            return {"セキュリティグループが見つかりません",
                    "インスタンスの「起動時に SG を自分の IP 専用にする」を選び直してください"};
        case FailureCause::wrongInstanceState:
            return {"インスタンスの状態が操作に合っていません", "状態が変わるまで待ってから再度お試しください"};
        case FailureCause::throttled:
            return {"AWS の呼び出し回数が上限に達しました", "しばらく待ってから再度お試しください"};
        case FailureCause::noCapacity:
            return {"インスタンスの空き容量が不足しています",
                    "しばらく待ってから起動するか、インスタンスタイプを変えてください"};
        case FailureCause::noProxy:
            return {"プロキシに接続できません", "HTTPS_PROXY などのプロキシ設定を確認してください"};
        case FailureCause::mfaCodeNeeded: return {"MFA コードが必要です", "今すぐ更新で MFA コードを入力してください"};
        case FailureCause::other: break;
    }
    return {"AWS CLI でエラーが発生しました", nullptr};
}

}  // namespace

std::string summary(const Failure& failure) { return std::string(wording(failure).summary); }

std::optional<std::string> hint(const Failure& failure) {
    const Wording w = wording(failure);
    if (!w.hint) return std::nullopt;
    return w.hint;
}

std::string description(const Failure& failure) {
    const Wording w = wording(failure);
    std::string text(w.summary);
    if (w.hint) text += std::string("\n") + w.hint;
    return text;
}

namespace {

std::string toolEndingText(const ToolEnding& ending) {
    switch (ending.way) {
        case ToolEnding::Way::notStarted: return "アプリケーションの終了中のため aws を起動しませんでした";
        case ToolEnding::Way::dropped: return "不要になったため aws を中止しました";
        case ToolEnding::Way::timedOut: {
            const long long ms = ending.limit.count();
            const std::string within =
                ms % 1000 == 0 ? std::to_string(ms / 1000) + " 秒" : std::to_string(ms) + " ミリ秒";
            return "aws が " + within + "以内に終了しなかったため中止しました";
        }
        case ToolEnding::Way::signalled:
            return "aws がシグナル " + std::to_string(ending.number) + " で強制終了されました";
        case ToolEnding::Way::exited: break;
    }
    return "aws が終了コード " + std::to_string(ending.number) + " で失敗しました";
}

std::string notAnAddressText(std::string_view answer) { return "想定外の応答です: " + std::string(answer); }

std::string processNotRunText(const ProcessNotRun& fact) {
    std::string text;
    switch (fact.step) {
        case ProcessFailure::Step::makePipe: text = "パイプを作成できませんでした"; break;
        case ProcessFailure::Step::preparePipe: text = "パイプを用意できませんでした"; break;
        case ProcessFailure::Step::start: text = fact.program + " を起動できませんでした"; break;
        case ProcessFailure::Step::awaitOutput: text = "子プロセスの出力を待てませんでした"; break;
        case ProcessFailure::Step::awaitExit: text = "子プロセスの終了を待てませんでした"; break;
    }
    return text + ": " + std::generic_category().message(fact.error);
}

}  // namespace

std::string factText(const FailureFact& fact) {
    return std::visit(
        [](const auto& f) -> std::string {
            using Fact = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<Fact, ToolEnding>) {
                return toolEndingText(f);
            } else if constexpr (std::is_same_v<Fact, UnexpectedShape>) {
                return "想定外のレスポンスです";
            } else if constexpr (std::is_same_v<Fact, NotAnAddress>) {
                return notAnAddressText(f.text);
            } else if constexpr (std::is_same_v<Fact, AnswerTooLarge>) {
                return notAnAddressText(std::to_string(f.limitKiB) + " KiB を超える応答");
            } else if constexpr (std::is_same_v<Fact, LibraryNotLoaded>) {
                return f.file + " を読み込めません: " + f.reason.value_or("不明な理由");
            } else if constexpr (std::is_same_v<Fact, SymbolMissing>) {
                return f.file + " に " + f.symbol + " がありません";
            } else {
                static_assert(std::is_same_v<Fact, ProcessNotRun>);
                return processNotRunText(f);
            }
        },
        fact);
}

std::string detail(const Failure& failure) {
    if (const auto& fact = failure.fact()) return factText(*fact);
    return failure.text();
}

}  // namespace tamsel
