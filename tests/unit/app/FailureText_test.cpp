// What the user reads for each failure, and how a job's exception becomes the failure shown.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>

#include "app/Failure.h"
#include "app/FailureText.h"
#include "bridge/ProcessFailure.h"

namespace tamsel {
namespace {

struct Case {
    Failure failure;
    const char* summary;
    const char* hint;  // nullptr: none
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.summary << " / " << c.failure.text(); }

class FailureTextTest : public testing::TestWithParam<Case> {};

TEST_P(FailureTextTest, SummaryHintAndDescription) {
    const Case& c = GetParam();
    EXPECT_EQ(summary(c.failure), c.summary);
    EXPECT_EQ(hint(c.failure), c.hint ? std::optional<std::string>(c.hint) : std::nullopt);
    EXPECT_EQ(description(c.failure), c.hint ? std::string(c.summary) + "\n" + c.hint : std::string(c.summary));
    // The menu offers signing in again exactly where the hint tells to.
    EXPECT_EQ(c.failure.needsSSOLogin(),
              c.hint && std::string_view(c.hint) == "ターミナルで aws sso login を実行してください");
}

Failure tool(const char* message) { return Failure(AWSError::failed(message)); }

INSTANTIATE_TEST_SUITE_P(
    EveryCause, FailureTextTest,
    testing::Values(
        Case{tool("ExpiredToken"), "認証の有効期限が切れています", "認証情報を更新してください"},
        Case{tool("The SSO session has expired"), "認証の有効期限が切れています",
             "ターミナルで aws sso login を実行してください"},
        Case{tool("Unable to locate credentials"), "認証情報が設定されていません",
             "aws configure などで認証を設定してください"},
        Case{tool("AuthFailure"), "認証に失敗しました", "AWS CLI の認証設定（アクセスキーが有効か）を確認してください"},
        Case{tool("AccessDenied"), "この操作を行う権限がありません",
             "IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください"},
        Case{tool("The config profile (nope) could not be found"), "プロファイルが見つかりません",
             "メニューの「プロファイル」を選び直してください"},
        Case{tool("You must specify a region"), "リージョンが設定されていません",
             "メニューの「リージョン」を選択してください"},
        Case{tool("Could not connect to the endpoint URL"), "AWS に接続できません",
             "ネットワーク接続を確認してください"},
        Case{tool("InvalidGroup.NotFound"), "セキュリティグループが見つかりません",
             "インスタンスの「起動時に SG を自分の IP 専用にする」を選び直してください"},
        Case{tool("IncorrectInstanceState"), "インスタンスの状態が操作に合っていません",
             "状態が変わるまで待ってから再度お試しください"},
        Case{tool("RequestLimitExceeded"), "AWS の呼び出し回数が上限に達しました",
             "しばらく待ってから再度お試しください"},
        Case{tool("InsufficientInstanceCapacity"), "インスタンスの空き容量が不足しています",
             "しばらく待ってから起動するか、インスタンスタイプを変えてください"},
        Case{tool("Failed to connect to proxy URL"), "プロキシに接続できません",
             "HTTPS_PROXY などのプロキシ設定を確認してください"},
        Case{tool("Enter MFA code for arn:aws:iam::123456789012:mfa/me:"), "MFA コードが必要です",
             "今すぐ更新で MFA コードを入力してください"},
        Case{tool(""), "AWS CLI でエラーが発生しました", nullptr},
        // The fixed kinds ignore their text, even one that reads as a cause.
        Case{Failure(AWSError::cliNotFound()), "AWS CLI が見つかりません", "AWS CLI v2 をインストールしてください"},
        Case{Failure(AWSError::ipLookupFailed("The config profile (nope) could not be found")),
             "グローバル IP アドレスを取得できませんでした", "ネットワーク接続を確認してください"},
        Case{Failure::unexpected("Could not connect to the endpoint URL"), "AWS に接続できません",
             "ネットワーク接続を確認してください"},
        Case{Failure::settingsNotSaved("/home/u/.config/orvane/orvane.conf", "Could not connect"),
             "設定を保存できませんでした", nullptr}));

// What the user reads for what the bridge reports as a fact, as the failure's own text.
struct FactCase {
    FailureFact fact;
    const char* text;
};

void PrintTo(const FactCase& c, std::ostream* os) { *os << c.text; }

class FactTextTest : public testing::TestWithParam<FactCase> {};

TEST_P(FactTextTest, WordedAsTheFailuresText) {
    const FactCase& c = GetParam();
    EXPECT_EQ(factText(c.fact), c.text);
    EXPECT_EQ(detail(Failure(AWSError::failed(c.fact))), c.text);
    EXPECT_EQ(detail(Failure(AWSError::ipLookupFailed(c.fact))), c.text);
}

using std::chrono::milliseconds;

INSTANTIATE_TEST_SUITE_P(
    EveryFact, FactTextTest,
    testing::Values(
        FactCase{ToolEnding::notStarted(), "アプリケーションの終了中のため aws を起動しませんでした"},
        FactCase{ToolEnding::timedOut(milliseconds(120000)), "aws が 120 秒以内に終了しなかったため中止しました"},
        FactCase{ToolEnding::timedOut(milliseconds(1000)), "aws が 1 秒以内に終了しなかったため中止しました"},
        FactCase{ToolEnding::timedOut(milliseconds(500)), "aws が 500 ミリ秒以内に終了しなかったため中止しました"},
        FactCase{ToolEnding::timedOut(milliseconds(1500)), "aws が 1500 ミリ秒以内に終了しなかったため中止しました"},
        FactCase{ToolEnding::signalled(9), "aws がシグナル 9 で強制終了されました"},
        FactCase{ToolEnding::signalled(15), "aws がシグナル 15 で強制終了されました"},
        FactCase{ToolEnding::exited(255), "aws が終了コード 255 で失敗しました"},
        FactCase{UnexpectedShape{}, "想定外のレスポンスです"},
        FactCase{NotAnAddress{"<html>busy</html>"}, "想定外の応答です: <html>busy</html>"},
        FactCase{NotAnAddress{""}, "想定外の応答です: "},
        FactCase{AnswerTooLarge{64}, "想定外の応答です: 64 KiB を超える応答"},
        FactCase{LibraryNotLoaded{"libcurl.so.4", "libcurl.so.4: cannot open shared object file"},
                 "libcurl.so.4 を読み込めません: libcurl.so.4: cannot open shared object file"},
        FactCase{LibraryNotLoaded{"libcurl.so.4", std::nullopt}, "libcurl.so.4 を読み込めません: 不明な理由"},
        FactCase{SymbolMissing{"libm.so.6", "curl_global_init"}, "libm.so.6 に curl_global_init がありません"}));

// How a job's exception becomes the failure shown.
struct JobCase {
    const char* name;
    std::function<void()> job;
    std::optional<Failure> failure;
};

class FailureOfJobTest : public testing::TestWithParam<JobCase> {};

// Kept as facts or as text, a failure is shown alike: its kind, its cause and its detail.
TEST_P(FailureOfJobTest, BecomesTheFailureShown) {
    const auto shown = [](const std::optional<Failure>& f) {
        return f ? std::optional(std::tuple(f->kind(), f->cause(), detail(*f))) : std::nullopt;
    };
    EXPECT_EQ(shown(failureOf(GetParam().job)), shown(GetParam().failure));
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, FailureOfJobTest,
    testing::Values(JobCase{"returns", [] {}, std::nullopt},
                    JobCase{"lookupFails", [] { throw AWSError::ipLookupFailed("timeout"); },
                            Failure(AWSError::ipLookupFailed("timeout"))},
                    // Not an AWS failure, but its text is sorted as a tool's.
                    JobCase{"throwsAnother", [] { throw std::runtime_error("Could not connect to the endpoint URL"); },
                            Failure::unexpected("Could not connect to the endpoint URL")},
                    JobCase{"throwsNoException", [] { throw 42; }, Failure::unexpected("不明なエラーが発生しました")},
                    // The runner reports only what failed; the wording is the controller's.
                    JobCase{"cannotStart",
                            [] { throw ProcessFailure(ProcessFailure::Step::start, ENOENT, "/usr/bin/aws"); },
                            Failure::unexpected("/usr/bin/aws を起動できませんでした: No such file or directory")},
                    JobCase{"cannotMakePipes", [] { throw ProcessFailure(ProcessFailure::Step::makePipe, EMFILE); },
                            Failure::unexpected("パイプを作成できませんでした: Too many open files")},
                    JobCase{"cannotPreparePipes",
                            [] { throw ProcessFailure(ProcessFailure::Step::preparePipe, EBADF); },
                            Failure::unexpected("パイプを用意できませんでした: Bad file descriptor")},
                    JobCase{"cannotAwaitOutput", [] { throw ProcessFailure(ProcessFailure::Step::awaitOutput, EINTR); },
                            Failure::unexpected("子プロセスの出力を待てませんでした: Interrupted system call")},
                    JobCase{"cannotAwaitExit", [] { throw ProcessFailure(ProcessFailure::Step::awaitExit, ECHILD); },
                            Failure::unexpected("子プロセスの終了を待てませんでした: No child processes")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Failure, AnotherExceptionIsUnexpectedAndSortedByItsText) {
    const auto other = failureOf([] { throw std::runtime_error("Could not connect to the endpoint URL"); });
    ASSERT_TRUE(other);
    EXPECT_EQ(other->kind(), Failure::Kind::unexpected);
    EXPECT_EQ(other->cause(), FailureCause::noConnection);
}

}  // namespace
}  // namespace tamsel
