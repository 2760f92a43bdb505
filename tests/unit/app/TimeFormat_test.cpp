// The time of day in the user's locale, from locales generated for the tests (LOCPATH).

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/TimeFormat.h"

namespace tamsel::test {
namespace {

class TimeFormatTest : public testing::Test {
protected:
    void SetUp() override { setenv("LOCPATH", ORVANE_TEST_LOCALES, 1); }

    // 2023-11-14 09:05:03
    static std::tm morning() {
        std::tm parts{};
        parts.tm_year = 123;
        parts.tm_mon = 10;
        parts.tm_mday = 14;
        parts.tm_hour = 9;
        parts.tm_min = 5;
        parts.tm_sec = 3;
        return parts;
    }
};

TEST_F(TimeFormatTest, WritesHoursMinutesAndSecondsAsTheLocaleDoes) {
    EXPECT_EQ(formatTimeOfDay(morning(), "ja_JP.UTF-8"), "09時05分03秒");
    EXPECT_EQ(formatTimeOfDay(morning(), "en_US.UTF-8"), "09:05:03 AM");
    EXPECT_EQ(formatTimeOfDay(morning(), "de_DE.UTF-8"), "09:05:03");
    EXPECT_EQ(formatTimeOfDay(morning(), "C"), "09:05:03");
}

TEST_F(TimeFormatTest, FollowsLC_ALLThenLC_TIMEThenLANG) {
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(formatTimeOfDay(morning()), "09時05分03秒");
    setenv("LC_TIME", "en_US.UTF-8", 1);
    EXPECT_EQ(formatTimeOfDay(morning()), "09:05:03 AM");
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(formatTimeOfDay(morning()), "09:05:03");
}

TEST_F(TimeFormatTest, UnusableLocalesGiveThePlainTime) {
    // Not installed, not a locale name, and a locale whose text is EUC-JP, not UTF-8.
    for (const char* name : {"fr_FR.UTF-8", "!!not a locale!!", "../../etc", "ja_JP.EUC-JP"}) {
        EXPECT_EQ(formatTimeOfDay(morning(), name), "09:05:03") << name;
    }
}

TEST_F(TimeFormatTest, ConvertsToTheLocalTimeZone) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    // 2023-11-14 22:13:20 UTC
    const std::chrono::system_clock::time_point when{std::chrono::seconds(1'700'000'000)};
    EXPECT_EQ(formatMediumTime(when, "de_DE.UTF-8"), "07:13:20");
}

}  // namespace
}  // namespace tamsel::test
