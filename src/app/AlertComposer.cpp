#include "app/AlertComposer.h"

#include <utility>

#include "app/FailureText.h"
#include "app/NameIsolation.h"

namespace tamsel {

Alert failureAlert(const Failure& failure, std::string title, const std::optional<std::string>& hint) {
    std::string body = hint ? *hint : tamsel::hint(failure).value_or("");
    const char* detailLabel = nullptr;
    switch (failure.kind()) {
        case Failure::Kind::addressLookupFailed: detailLabel = "詳細:"; break;
        case Failure::Kind::toolFailed:
        case Failure::Kind::unexpected: detailLabel = "AWS CLI のメッセージ:"; break;
        case Failure::Kind::cliNotFound: break;
    }
    if (detailLabel && !failure.text().empty()) {
        if (!body.empty()) body += "\n\n";
        body += detailLabel;
        body += "\n" + failure.text();
    }
    return Alert{.title = std::move(title), .body = std::move(body), .buttons = {}, .bringToFront = true};
}

Alert lockGroupNotAttachedAlert(const std::string& groupID) {
    return Alert{.title = groupID + " はこのインスタンスに紐づいていません",
                 .body = "「起動時に SG を自分の IP 専用にする」を選び直してください",
                 .buttons = {},
                 .bringToFront = true};
}

Alert stopConfirmation(const EC2Instance& instance) {
    return Alert{.title = isolated(instance.sortKey()) + " を停止しますか？",
                 .body = instance.id,
                 .buttons = {"停止", "キャンセル"},
                 .bringToFront = true};
}

Alert ingressLockConfirmation(const std::string& groupID) {
    return Alert{.title = groupID + " のインバウンドルールを起動のたびに書き換えますか？",
                 .body = "このアプリからインスタンスを起動するたびに、このセキュリティグループのインバウンドルールをすべて削除し、"
                         "このコンピューターのグローバル IP アドレスからの全トラフィックを許可するルールだけにします。"
                         "\n\n"
                         "同じセキュリティグループを使っている他のリソースにも影響します。",
                 .buttons = {"有効にする", "キャンセル"},
                 .bringToFront = true};
}

Alert loginItemFailureAlert(std::string description) {
    return Alert{.title = "ログイン項目の設定に失敗しました",
                 .body = std::move(description),
                 .buttons = {},
                 .bringToFront = false};
}

Alert settingsNotSavedAlert(const SettingsWriteError& error) {
    return Alert{.title = "設定を保存できませんでした",
                 .body = "設定ファイル: " + error.file + "\n理由: " + error.reason +
                         "\n\nこの選択は終了するまで有効です。次に設定を変更したときに、もう一度保存します。",
                 .buttons = {},
                 .bringToFront = true};
}

}  // namespace tamsel
