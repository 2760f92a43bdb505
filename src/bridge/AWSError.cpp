#include "bridge/AWSError.h"

#include <array>
#include <initializer_list>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace tamsel {
namespace {

// Unicode default lower-casing (the root locale), so that any case of a code matches.
std::string lowercased(std::string_view text) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

bool containsAny(const std::string& haystack, std::initializer_list<std::string_view> needles) {
    for (std::string_view needle : needles) {
        if (haystack.find(needle) != std::string::npos) return true;
    }
    return false;
}

// The first row of the table: expired or missing credentials, from a session (sso) or not.
enum class Expiry { none, credentials, ssoSession };

Expiry expiry(const std::string& lowered) {
    if (!containsAny(lowered, {"expiredtoken", "token has expired", "sso session", "error loading sso token",
                               "token for sso", "refresh token"})) {
        return Expiry::none;
    }
    return lowered.find("sso") != std::string::npos ? Expiry::ssoSession : Expiry::credentials;
}

constexpr std::string_view kGenericSummary = "AWS CLI でエラーが発生しました";

}  // namespace

Classification classify(std::string_view message) {
    const std::string m = lowercased(message);

    if (const Expiry found = expiry(m); found != Expiry::none) {
        return {"認証の有効期限が切れています", found == Expiry::ssoSession
                                                     ? "ターミナルで aws sso login を実行してください"
                                                     : "認証情報を更新してください"};
    }
    if (containsAny(m, {"unable to locate credentials", "nocredentials", "no credentials"})) {
        return {"認証情報が設定されていません", "aws configure などで認証を設定してください"};
    }
    if (containsAny(m, {"authfailure", "invalidclienttokenid", "signaturedoesnotmatch",
                        "unrecognizedclientexception", "security token included in the request is invalid",
                        "not able to validate the provided access credentials"})) {
        return {"認証に失敗しました", "AWS CLI の認証設定（アクセスキーが有効か）を確認してください"};
    }
    if (containsAny(m, {"unauthorizedoperation", "accessdenied", "not authorized", "unauthorizedaccess"})) {
        return {"この操作を行う権限がありません",
                "IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください"};
    }
    if (m.find("could not be found") != std::string::npos && m.find("profile") != std::string::npos) {
        return {"プロファイルが見つかりません", "メニューの「プロファイル」を選び直してください"};
    }
    if (containsAny(m, {"you must specify a region", "noregion"})) {
        return {"リージョンが設定されていません", "メニューの「リージョン」を選択してください"};
    }
    if (containsAny(m, {"could not connect", "endpointconnectionerror", "connect timeout",
                        "name or service not known", "nodename nor servname", "read timeout",
                        "ssl validation failed"})) {
        return {"AWS に接続できません", "ネットワーク接続を確認してください"};
    }
    if (m.find("invalidgroup.notfound") != std::string::npos) {
        return {"セキュリティグループが見つかりません",
                "インスタンスの「起動時に SG を自分の IP 専用にする」を選び直してください"};
    }
    if (m.find("incorrectinstancestate") != std::string::npos) {
        return {"インスタンスの状態が操作に合っていません", "状態が変わるまで待ってから再度お試しください"};
    }
    // RequestLimitExceeded (EC2), Throttling and ThrottlingException (other services).
    if (containsAny(m, {"requestlimitexceeded", "throttling"})) {
        return {"AWS の呼び出し回数が上限に達しました", "しばらく待ってから再度お試しください"};
    }
    if (m.find("insufficientinstancecapacity") != std::string::npos) {
        return {"インスタンスの空き容量が不足しています",
                "しばらく待ってから起動するか、インスタンスタイプを変えてください"};
    }
    if (m.find("failed to connect to proxy url") != std::string::npos) {
        return {"プロキシに接続できません", "HTTPS_PROXY などのプロキシ設定を確認してください"};
    }
    return {std::string(kGenericSummary), std::nullopt};
}

AWSError::AWSError(Kind kind, std::string text)
    : kind_(kind), text_(std::move(text)), description_(errorDescription()) {}

AWSError AWSError::cliNotFound() { return AWSError(Kind::cliNotFound, {}); }
AWSError AWSError::failed(std::string message) { return AWSError(Kind::failed, std::move(message)); }
AWSError AWSError::ipLookupFailed(std::string reason) {
    return AWSError(Kind::ipLookupFailed, std::move(reason));
}

std::string AWSError::summary() const {
    switch (kind_) {
        case Kind::cliNotFound: return "AWS CLI が見つかりません";
        case Kind::ipLookupFailed: return "グローバル IP アドレスを取得できませんでした";
        case Kind::failed: break;
    }
    return classify(text_).summary;
}

std::optional<std::string> AWSError::hint() const {
    switch (kind_) {
        case Kind::cliNotFound: return "AWS CLI v2 をインストールしてください";
        case Kind::ipLookupFailed: return "ネットワーク接続を確認してください";
        case Kind::failed: break;
    }
    return classify(text_).hint;
}

bool AWSError::needsSSOLogin() const {
    return kind_ == Kind::failed && expiry(lowercased(text_)) == Expiry::ssoSession;
}

std::string AWSError::errorDescription() const {
    std::string description = summary();
    if (auto h = hint()) description += "\n" + *h;
    return description;
}

AWSError asAWSError(const std::exception& error) {
    if (const auto* aws = dynamic_cast<const AWSError*>(&error)) return *aws;
    return AWSError::failed(error.what());
}

}  // namespace tamsel
