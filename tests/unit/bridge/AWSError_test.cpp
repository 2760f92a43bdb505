// The sorting of the aws tool's failure texts. Most messages below are what AWS CLI 2.9
// (/usr/bin/aws) printed on standard error, collected with a private config and, for the
// service errors, against the local EC2 emulator; the rest follow the service's wording.

#include <gtest/gtest.h>

#include "bridge/AWSError.h"

namespace tamsel {
namespace {

using enum FailureCause;

struct Case {
    const char* what;
    const char* message;
    FailureCause expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class ClassifyTest : public testing::TestWithParam<Case> {};

TEST_P(ClassifyTest, SortsTheMessageOnceAndKeepsIt) {
    const Case& c = GetParam();
    EXPECT_EQ(classify(c.message), c.expected) << c.message;
    const AWSError error = AWSError::failed(c.message);
    EXPECT_EQ(error.cause(), c.expected);
    EXPECT_EQ(error.text(), c.message);
    EXPECT_STREQ(error.what(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    RealCLITexts, ClassifyTest,
    testing::Values(
        Case{"missing credentials",
             "Unable to locate credentials. You can configure credentials by running \"aws configure\".",
             noCredentials},
        Case{"unknown profile", "The config profile (nope) could not be found", noProfile},
        Case{"missing region",
             "You must specify a region. You can also configure your region by running \"aws configure\".", noRegion},
        Case{"refused connection", "Could not connect to the endpoint URL: \"http://127.0.0.1:9/\"", noConnection},
        Case{"SSO profile without a cached token",
             "Error loading SSO Token: Token for https://example.awsapps.com/start does not exist", expiredSSOSession},
        Case{"security group that does not exist",
             "An error occurred (InvalidGroup.NotFound) when calling the DescribeSecurityGroups operation: "
             "The security group '{'sg-doesnotexist'}' does not exist",
             noSecurityGroup},
        Case{"unknown access key",
             "An error occurred (AuthFailure) when calling the DescribeInstances operation: "
             "AWS was not able to validate the provided access credentials",
             authenticationFailed},
        Case{"missing permission",
             "An error occurred (AccessDenied) when calling the StartInstances operation: "
             "User: arn:aws:iam::123456789012:user/u is not authorized to perform: ec2:StartInstances",
             noPermission},
        Case{"instance that does not exist",
             "An error occurred (InvalidInstanceID.NotFound) when calling the StartInstances operation: "
             "The instance ID 'i-0000000000000dead' does not exist",
             other},
        Case{"malformed range",
             "An error occurred (InvalidParameterValue) when calling the AuthorizeSecurityGroupIngress operation: "
             "invalid CIDR subnet specification: {'CidrIp': '-0.1.2.3/32'}",
             other},
        // A role profile with mfa_serial, its code read from the null device; the warnings
        // above the prompt name the terminal.
        Case{"MFA code asked for and not given",
             "/usr/lib/python3.11/getpass.py:91: GetPassWarning: Can not control echo on the terminal.\n"
             "  passwd = fallback_getpass(prompt, stream)\nWarning: Password input may be echoed.\n"
             "Enter MFA code for arn:aws:iam::123456789012:mfa/me:",
             mfaCodeNeeded},
        // A code given and refused: the tool's answer follows the prompt.
        Case{"MFA code refused",
             "Enter MFA code for arn:aws:iam::123456789012:mfa/me: \n"
             "An error occurred (AccessDenied) when calling the AssumeRole operation: "
             "MultiFactorAuthentication failed with invalid MFA one time pass code.",
             noPermission}));

INSTANTIATE_TEST_SUITE_P(
    ServiceCodesAndOrder, ClassifyTest,
    testing::Values(
        Case{"expired session token without SSO",
             "An error occurred (ExpiredToken) when calling the DescribeInstances operation: "
             "The security token included in the request is expired",
             expiredCredentials},
        Case{"expired token wins over a later row",
             "An error occurred (ExpiredToken): The security token included in the request is expired; AccessDenied",
             expiredCredentials},
        Case{"SSO session expired", "The SSO session associated with this profile has expired or is otherwise invalid.",
             expiredSSOSession},
        Case{"incorrect instance state",
             "An error occurred (IncorrectInstanceState) when calling the StopInstances operation: "
             "The instance 'i-0123' is not in a state from which it can be stopped.",
             wrongInstanceState},
        Case{"request limit of EC2",
             "An error occurred (RequestLimitExceeded) when calling the DescribeInstances operation: "
             "Request limit exceeded.",
             throttled},
        Case{"throttling of other services",
             "An error occurred (Throttling) when calling the AssumeRole operation: Rate exceeded", throttled},
        Case{"throttling exception",
             "An error occurred (ThrottlingException) when calling the GetRoleCredentials operation: Rate exceeded",
             throttled},
        Case{"no capacity at start",
             "An error occurred (InsufficientInstanceCapacity) when calling the StartInstances operation: "
             "We currently do not have sufficient t2.micro capacity in the Availability Zone you requested "
             "(us-east-1a). Our system will be working on provisioning additional capacity. You can currently get "
             "t2.micro capacity by not specifying an Availability Zone in your request or choosing us-east-1b, "
             "us-east-1c.",
             noCapacity},
        Case{"proxy unreachable", "Failed to connect to proxy URL: \"http://127.0.0.1:9\"", noProxy},
        Case{"codes in upper case", "AN ERROR OCCURRED (INVALIDGROUP.NOTFOUND)", noSecurityGroup},
        Case{"codes in mixed case", "An error occurred (uNaUtHoRiZeDoPeRaTiOn)", noPermission},
        Case{"codes in mixed case, authentication", "An error occurred (SignatureDoesNotMatch)", authenticationFailed},
        Case{"could not be found without profile skips that row", "The requested resource could not be found", other},
        Case{"could not be found without profile reaches later rows",
             "The endpoint could not be found: Could not connect to the endpoint URL", noConnection},
        Case{"profile and connection failure", "Could not connect to the endpoint URL for profile default",
             noConnection},
        Case{"empty message", "", other}));

TEST(AWSErrorTest, AnMFAPromptCarriesItsDeviceAndNothingElseDoes) {
    EXPECT_EQ(AWSError::failed("Warning: x\nEnter MFA code for arn:aws:iam::123456789012:mfa/me:").mfaDevice(),
              "arn:aws:iam::123456789012:mfa/me");
    EXPECT_EQ(
        AWSError::failed("Enter MFA code for arn:aws:iam::1:mfa/me: \nAn error occurred (AccessDenied)").mfaDevice(),
        "");
    EXPECT_EQ(AWSError::failed("Enter MFA code for :").cause(), other);
}

TEST(AWSErrorTest, FixedCasesKeepTheirPayloadUnsorted) {
    EXPECT_EQ(AWSError::cliNotFound().cause(), other);
    for (const char* reason : {"", "Operation timed out after 10000 milliseconds with 0 bytes received",
                               "The config profile (nope) could not be found"}) {
        const AWSError error = AWSError::ipLookupFailed(reason);
        EXPECT_EQ(error.cause(), other) << reason;
        EXPECT_EQ(error.text(), reason);
    }
    // A fact has no text to sort, and two facts are equal only when all they say is.
    const AWSError exited = AWSError::failed(ToolEnding::exited(255));
    EXPECT_EQ(exited.cause(), other);
    EXPECT_EQ(exited.text(), "");
    EXPECT_EQ(AWSError::failed(UnexpectedShape{}).cause(), other);
    EXPECT_FALSE(exited == AWSError::failed(ToolEnding::exited(254)));
    EXPECT_FALSE(exited == AWSError::failed(ToolEnding::signalled(255)));
    EXPECT_FALSE(AWSError::failed(UnexpectedShape{}) == AWSError::ipLookupFailed(UnexpectedShape{}));
}

}  // namespace
}  // namespace tamsel
