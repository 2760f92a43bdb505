#include "bridge/SignInPrompt.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tamsel {
namespace {

const std::string kDeviceURL = "https://device.sso.us-east-1.amazonaws.com/";
const std::string kAuthorizeURL =
    "https://oidc.eu-west-1.amazonaws.com/authorize?response_type=code&client_id=cl1ent&redirect_uri="
    "http%3A%2F%2F127.0.0.1%3A43117%2Foauth%2Fcallback&state=5a7e&code_challenge_method=S256&scopes="
    "sso%3Aaccount%3Aaccess&code_challenge=Xq9v";

TEST(SignInPrompt, ReadsBothFormsOfTheToolAndNothingElse) {
    const struct {
        const char* what;
        std::string output;
        std::optional<SignInPrompt> prompt;
    } cases[] = {
        {"device code",
         "Attempting to automatically open the SSO authorization page in your default browser.\n"
         "If the browser does not open or you wish to use a different device to authorize this request, open the "
         "following URL:\n\n" +
             kDeviceURL + "\n\nThen enter the code:\n\nABCD-EFGH\n",
         SignInPrompt{kDeviceURL, "ABCD-EFGH"}},
        {"device code, browser not opened: the address that fills in the code comes second",
         "Browser will not be automatically opened.\nPlease visit the following URL:\n\n" + kDeviceURL +
             "\n\nThen enter the code:\n\nWXYZ-2345\n\nAlternatively, you may visit the following URL which will "
             "autofill the code upon loading:\n" +
             kDeviceURL + "?user_code=WXYZ-2345\n",
         SignInPrompt{kDeviceURL, "WXYZ-2345"}},
        {"authorization address only",
         "Attempting to automatically open the SSO authorization page in your default browser.\n"
         "If the browser does not open or you wish to use a different device to authorize this request, open the "
         "following URL:\n\n" +
             kAuthorizeURL + "\n",
         SignInPrompt{kAuthorizeURL, std::nullopt}},
        {"authorization address, browser not opened, CRLF and indent",
         "Browser will not be automatically opened.\r\nPlease visit the following URL:\r\n\r\n  " + kAuthorizeURL +
             " \r\n",
         SignInPrompt{kAuthorizeURL, std::nullopt}},
        {"a code before the address, or not in capitals, is none",
         "ABCD-EFGH\n" + kAuthorizeURL + "\nabcd-efgh\nABCD-EFGH0\n", SignInPrompt{kAuthorizeURL, std::nullopt}},
        {"an overlong line is skipped", "https://" + std::string(20000, 'a') + "\n" + kDeviceURL + "\n",
         SignInPrompt{kDeviceURL, std::nullopt}},
        {"addresses inside sentences, not https, or not text",
         "Successfully logged into Start URL: https://d-9067.awsapps.com/start\nSee https://docs.aws.amazon.com/ "
         "for help\nhttp://device.sso.us-east-1.amazonaws.com/\nhttps://\nhttps://bad\xff.example/\n",
         std::nullopt},
        {"an address not yet ended by its line feed", kDeviceURL, std::nullopt},
    };
    for (const auto& c : cases) {
        SignInPromptReader whole;
        EXPECT_EQ(whole.take(c.output), c.prompt.has_value()) << c.what;
        EXPECT_EQ(whole.prompt(), c.prompt) << c.what;

        // As it may come through a pipe: in pieces cut anywhere.
        SignInPromptReader bytewise;
        int changes = 0;
        for (char byte : c.output) changes += bytewise.take(std::string_view(&byte, 1)) ? 1 : 0;
        EXPECT_EQ(bytewise.prompt(), c.prompt) << c.what;
        EXPECT_EQ(changes, !c.prompt ? 0 : c.prompt->code ? 2 : 1) << c.what << ": the address, then its code";
    }
}

}  // namespace
}  // namespace tamsel
