#include "bridge/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamsel {
namespace {

TEST(Text, ValidUTF8) {
    const std::string valid[] = {
        "", "plain", "日本語 — …", "\xF0\x9F\x9F\xA2", std::string("a\0b", 3), "\xF4\x8F\xBF\xBF"};
    for (const std::string& ok : valid) {
        EXPECT_TRUE(isValidUTF8(ok)) << ok;
    }
    const char* bad[] = {
        "\xFF",              // never a UTF-8 byte
        "\x80",              // a lone continuation byte
        "\xE6\x97",          // cut short
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "ok\xE6\x97\xA5\xE6",
    };
    for (const char* text : bad) EXPECT_FALSE(isValidUTF8(text)) << testing::PrintToString(text);
}

TEST(Text, TrimWhitespaceAndNewlinesTakesUnicodeWhiteSpaceAtBothEnds) {
    EXPECT_EQ(trimWhitespaceAndNewlines(" \t\r\n x y \n"), "x y");
    EXPECT_EQ(trimWhitespaceAndNewlines("\u3000\u00A0\u2028エラー\u3000\u0085"), "エラー");
    EXPECT_EQ(trimWhitespaceAndNewlines(" \n\t\u3000 "), "");
    EXPECT_EQ(trimWhitespaceAndNewlines(""), "");
    EXPECT_EQ(trimWhitespaceAndNewlines(" a\n\nb "), "a\n\nb") << "inner line breaks stay";
}

TEST(Text, TrimSpacesAndTabsKeepsLineBreaks) {
    EXPECT_EQ(trimSpacesAndTabs(" \tdev\t "), "dev");
    EXPECT_EQ(trimSpacesAndTabs("\u3000\u00A0会社\u2003"), "会社");
    EXPECT_EQ(trimSpacesAndTabs("\ndev\r"), "\ndev\r");
    EXPECT_EQ(trimSpacesAndTabs(" \t "), "");
}

TEST(Text, Split) {
    using Pieces = std::vector<std::string>;
    EXPECT_EQ(split("a\n\nb\n", '\n', false), (Pieces{"a", "b"}));
    EXPECT_EQ(split("a\n\nb\n", '\n', true), (Pieces{"a", "", "b", ""}));
    EXPECT_EQ(split("", '.', false), Pieces{});
    EXPECT_EQ(split("", '.', true), Pieces{""});
    EXPECT_EQ(split("1..2", '.', true), (Pieces{"1", "", "2"}));
}

}  // namespace
}  // namespace tamsel
