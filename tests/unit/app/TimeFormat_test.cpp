// The medium time style of the user's locale.

#include <map>

#include <gtest/gtest.h>

#include "app/TimeFormat.h"

namespace tamsel::test {
namespace {

TEST(TimeLocale, FollowsTheCLibrarysOrderAndDropsCodesets) {
    const struct { std::map<std::string, std::string> environment; std::string locale; } cases[] = {
        {{}, "en_US_POSIX"},
        {{{"LANG", "C"}}, "en_US_POSIX"},
        {{{"LANG", "POSIX"}}, "en_US_POSIX"},
        {{{"LANG", "C.UTF-8"}}, "en_US_POSIX"},
        {{{"LANG", "ja_JP.UTF-8"}}, "ja_JP"},
        {{{"LANG", "de_DE@euro"}}, "de_DE"},
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_TIME", "fr_FR.UTF-8"}}, "fr_FR"},
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_TIME", "fr_FR"}, {"LC_ALL", "en_GB"}}, "en_GB"},
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", ""}}, "ja_JP"},
    };
    for (const auto& c : cases) {
        auto lookup = [&](const char* name) -> const char* {
            auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(timeLocaleName(lookup), c.locale);
    }
}

TEST(TimeFormat, WritesHoursMinutesAndSecondsInTheLocalesStyle) {
    // 2023-11-14 22:13:20 UTC
    const std::chrono::system_clock::time_point when{std::chrono::seconds(1'700'000'000)};
    EXPECT_EQ(formatMediumTime(when, "ja_JP", "UTC"), "22:13:20");
    EXPECT_EQ(formatMediumTime(when, "ja_JP", "Asia/Tokyo"), "7:13:20");
    EXPECT_EQ(formatMediumTime(when, "de_DE", "UTC"), "22:13:20");
    const std::string english = formatMediumTime(when, "en_US", "UTC");
    EXPECT_EQ(english.substr(0, 8), "10:13:20");
    EXPECT_NE(english.find("PM"), std::string::npos);
    // Unusable names still give a time, never an exception.
    EXPECT_FALSE(formatMediumTime(when, "!!not a locale!!").empty());
    EXPECT_FALSE(formatMediumTime(when, "").empty());
}

}  // namespace
}  // namespace tamsel::test
