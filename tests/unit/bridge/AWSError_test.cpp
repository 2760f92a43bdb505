// The sorting of the aws tool's failure texts. Most messages below are what AWS CLI 2.9
// (/usr/bin/aws) printed on standard error, collected with a private config and, for the
// service errors, against the local EC2 emulator; the rest follow the service's wording.

#include <gtest/gtest.h>

#include <stdexcept>

#include "bridge/AWSError.h"

namespace tamsel {
namespace {

const Classification kExpired{"認証の有効期限が切れています", "認証情報を更新してください"};
const Classification kExpiredSSO{"認証の有効期限が切れています", "ターミナルで aws sso login を実行してください"};
const Classification kNoCredentials{"認証情報が設定されていません", "aws configure などで認証を設定してください"};
const Classification kAuthFailed{"認証に失敗しました",
                                 "AWS CLI の認証設定（アクセスキーが有効か）を確認してください"};
const Classification kNoPermission{"この操作を行う権限がありません",
                                   "IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください"};
const Classification kNoProfile{"プロファイルが見つかりません", "メニューの「プロファイル」を選び直してください"};
const Classification kNoRegion{"リージョンが設定されていません", "メニューの「リージョン」を選択してください"};
const Classification kNoConnection{"AWS に接続できません", "ネットワーク接続を確認してください"};
const Classification kNoGroup{"セキュリティグループが見つかりません",
                              "インスタンスの「起動時に SG を自分の IP 専用にする」を選び直してください"};
const Classification kWrongState{"インスタンスの状態が操作に合っていません",
                                 "状態が変わるまで待ってから再度お試しください"};
const Classification kThrottled{"AWS の呼び出し回数が上限に達しました", "しばらく待ってから再度お試しください"};
const Classification kNoCapacity{"インスタンスの空き容量が不足しています",
                                 "しばらく待ってから起動するか、インスタンスタイプを変えてください"};
const Classification kOther{"AWS CLI でエラーが発生しました", std::nullopt};

struct Case {
    const char* what;
    const char* message;
    Classification expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class ClassifyTest : public testing::TestWithParam<Case> {};

TEST_P(ClassifyTest, SortsTheMessage) {
    const Case& c = GetParam();
    EXPECT_EQ(classify(c.message), c.expected) << c.message;
}

TEST_P(ClassifyTest, DescribesAFailedCallWithSummaryAndHint) {
    const Case& c = GetParam();
    const AWSError error = AWSError::failed(c.message);
    EXPECT_EQ(error.summary(), c.expected.summary);
    EXPECT_EQ(error.hint(), c.expected.hint);
    const std::string description =
        c.expected.hint ? c.expected.summary + "\n" + *c.expected.hint : c.expected.summary;
    EXPECT_EQ(error.errorDescription(), description);
    EXPECT_STREQ(error.what(), description.c_str());
    // The menu offers signing in again exactly where the hint tells to.
    EXPECT_EQ(error.needsSSOLogin(), c.expected == kExpiredSSO);
}

INSTANTIATE_TEST_SUITE_P(
    RealCLITexts, ClassifyTest,
    testing::Values(
        Case{"missing credentials",
             "Unable to locate credentials. You can configure credentials by running \"aws configure\".",
             kNoCredentials},
        Case{"unknown profile", "The config profile (nope) could not be found", kNoProfile},
        Case{"missing region",
             "You must specify a region. You can also configure your region by running \"aws configure\".",
             kNoRegion},
        Case{"refused connection", "Could not connect to the endpoint URL: \"http://127.0.0.1:9/\"", kNoConnection},
        Case{"SSO profile without a cached token",
             "Error loading SSO Token: Token for https://example.awsapps.com/start does not exist", kExpiredSSO},
        Case{"security group that does not exist",
             "An error occurred (InvalidGroup.NotFound) when calling the DescribeSecurityGroups operation: "
             "The security group '{'sg-doesnotexist'}' does not exist",
             kNoGroup},
        Case{"unknown access key",
             "An error occurred (AuthFailure) when calling the DescribeInstances operation: "
             "AWS was not able to validate the provided access credentials",
             kAuthFailed},
        Case{"missing permission",
             "An error occurred (AccessDenied) when calling the StartInstances operation: "
             "User: arn:aws:iam::123456789012:user/u is not authorized to perform: ec2:StartInstances",
             kNoPermission},
        Case{"instance that does not exist",
             "An error occurred (InvalidInstanceID.NotFound) when calling the StartInstances operation: "
             "The instance ID 'i-0000000000000dead' does not exist",
             kOther},
        Case{"malformed range",
             "An error occurred (InvalidParameterValue) when calling the AuthorizeSecurityGroupIngress operation: "
             "invalid CIDR subnet specification: {'CidrIp': '-0.1.2.3/32'}",
             kOther}));

INSTANTIATE_TEST_SUITE_P(
    ServiceCodesAndOrder, ClassifyTest,
    testing::Values(
        Case{"expired session token without SSO",
             "An error occurred (ExpiredToken) when calling the DescribeInstances operation: "
             "The security token included in the request is expired",
             kExpired},
        Case{"expired token wins over a later row",
             "An error occurred (ExpiredToken): The security token included in the request is expired; AccessDenied",
             kExpired},
        Case{"SSO session expired", "The SSO session associated with this profile has expired or is otherwise invalid.",
             kExpiredSSO},
        Case{"incorrect instance state",
             "An error occurred (IncorrectInstanceState) when calling the StopInstances operation: "
             "The instance 'i-0123' is not in a state from which it can be stopped.",
             kWrongState},
        Case{"request limit of EC2",
             "An error occurred (RequestLimitExceeded) when calling the DescribeInstances operation: "
             "Request limit exceeded.",
             kThrottled},
        Case{"throttling of other services",
             "An error occurred (Throttling) when calling the AssumeRole operation: Rate exceeded", kThrottled},
        Case{"throttling exception",
             "An error occurred (ThrottlingException) when calling the GetRoleCredentials operation: Rate exceeded",
             kThrottled},
        Case{"no capacity at start",
             "An error occurred (InsufficientInstanceCapacity) when calling the StartInstances operation: "
             "We currently do not have sufficient t2.micro capacity in the Availability Zone you requested "
             "(us-east-1a). Our system will be working on provisioning additional capacity. You can currently get "
             "t2.micro capacity by not specifying an Availability Zone in your request or choosing us-east-1b, "
             "us-east-1c.",
             kNoCapacity},
        Case{"proxy unreachable", "Failed to connect to proxy URL: \"http://127.0.0.1:9\"",
             {"プロキシに接続できません", "HTTPS_PROXY などのプロキシ設定を確認してください"}},
        Case{"codes in upper case", "AN ERROR OCCURRED (INVALIDGROUP.NOTFOUND)", kNoGroup},
        Case{"codes in mixed case", "An error occurred (uNaUtHoRiZeDoPeRaTiOn)", kNoPermission},
        Case{"codes in mixed case, authentication", "An error occurred (SignatureDoesNotMatch)", kAuthFailed},
        Case{"could not be found without profile skips that row", "The requested resource could not be found",
             kOther},
        Case{"could not be found without profile reaches later rows",
             "The endpoint could not be found: Could not connect to the endpoint URL", kNoConnection},
        Case{"profile and connection failure",
             "Could not connect to the endpoint URL for profile default", kNoConnection},
        Case{"empty message", "", kOther},
        Case{"exit-status text", "aws が終了コード 255 で失敗しました", kOther},
        Case{"unexpected response", "想定外のレスポンスです", kOther}));

TEST(AWSErrorTest, FixedCasesIgnoreTheirPayload) {
    const AWSError notFound = AWSError::cliNotFound();
    EXPECT_EQ(notFound.errorDescription(), "AWS CLI が見つかりません\nAWS CLI v2 をインストールしてください");

    const std::string lookup = "グローバル IP アドレスを取得できませんでした\nネットワーク接続を確認してください";
    for (const char* reason : {"", "Operation timed out after 10000 milliseconds with 0 bytes received",
                               "The config profile (nope) could not be found"}) {
        const AWSError error = AWSError::ipLookupFailed(reason);
        EXPECT_EQ(error.errorDescription(), lookup) << reason;
        EXPECT_EQ(error.text(), reason);
        EXPECT_STREQ(error.what(), lookup.c_str());
    }
}

TEST(AWSErrorTest, OtherErrorsBecomeFailedWithTheirDescription) {
    const AWSError kept = asAWSError(AWSError::ipLookupFailed("timeout"));
    EXPECT_EQ(kept, AWSError::ipLookupFailed("timeout"));

    const AWSError wrapped = asAWSError(std::runtime_error("Could not connect to the endpoint URL"));
    EXPECT_EQ(wrapped.kind(), AWSError::Kind::failed);
    EXPECT_EQ(wrapped.text(), "Could not connect to the endpoint URL");
    EXPECT_EQ(wrapped.summary(), kNoConnection.summary);
}

}  // namespace
}  // namespace tamsel
