// Ordering by the user's locale, and the instance list sorted by it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"

namespace tamsel {
namespace {

struct Order {
    const char* locale;
    const char* before;
    const char* after;
};

void PrintTo(const Order& o, std::ostream* os) { *os << o.locale << ": " << o.before << " < " << o.after; }

class CollationOrderTest : public testing::TestWithParam<Order> {};

// Every pair here is in the opposite order by bytes, or differs between the locales.
TEST_P(CollationOrderTest, SortsAsTheLocaleDoes) {
    const Order& o = GetParam();
    const Collation collation(o.locale);
    EXPECT_TRUE(collation.less(o.before, o.after));
    EXPECT_FALSE(collation.less(o.after, o.before));
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CollationOrderTest,
    testing::Values(Order{"en_US.UTF-8", "apple", "Banana"},   // case is a lesser difference than letters
                    Order{"en_US.UTF-8", "web", "Web"},        // lower case first when only case differs
                    Order{"en_US.UTF-8", "résumé", "rhythm"},  // an accent is a lesser difference
                    Order{"en_US.UTF-8", "öl", "zebra"},       // ö sorts with o in English...
                    Order{"sv_SE.UTF-8", "zebra", "öl"},       // ...and after z in Swedish
                    Order{"en_US.UTF-8", "一", "亜"},          // root order of ideographs: by code point
                    Order{"ja_JP.UTF-8", "亜", "一"},          // Japanese order of ideographs: JIS X 0208
                    Order{"ja_JP.UTF-8", "ア", "い"},          // kana by sound, katakana and hiragana mixed
                    Order{"ja_JP.UTF-8", "Zeta", "あ"},        // Latin before kana
                    Order{"ja_JP.UTF-8", "ｶﾅ", "カヌ"}));      // half-width kana sorts with full-width

TEST(CollationTest, EqualTextsAreNotLess) {
    const Collation collation("ja_JP.UTF-8");
    EXPECT_FALSE(collation.less("サーバー", "サーバー"));
    EXPECT_FALSE(collation.less("", ""));
    EXPECT_TRUE(collation.less("", "a"));
}

TEST(CollationTest, POSIXNamesBecomeICULocales) {
    EXPECT_EQ(Collation("ja_JP.UTF-8").localeName(), "ja_JP");
    EXPECT_EQ(Collation("de_DE@euro").localeName(), "de_DE");
    EXPECT_EQ(Collation("sv_SE.UTF-8@collation").localeName(), "sv_SE");
    EXPECT_EQ(Collation("en").localeName(), "en");
    for (const char* name : {"C", "POSIX", "C.UTF-8", "", "x", "/etc/passwd", "日本語", "1234_JP", "root"}) {
        EXPECT_EQ(Collation(name).localeName(), "root") << name;
    }
}

TEST(CollationTest, RootCollationIsStillNotByteOrder) {
    const Collation collation("C");
    EXPECT_TRUE(collation.less("apple", "Banana"));
    EXPECT_TRUE(collation.less("résumé", "rhythm"));
}

// Sets the locale variables for one test and puts the old values back.
class ScopedLocaleEnvironment {
public:
    ScopedLocaleEnvironment(const char* lcAll, const char* lcCollate, const char* lang) {
        set("LC_ALL", lcAll);
        set("LC_COLLATE", lcCollate);
        set("LANG", lang);
    }
    ~ScopedLocaleEnvironment() {
        for (auto& [name, value] : saved_) {
            if (value) setenv(name, value->c_str(), 1);
            else unsetenv(name);
        }
    }

private:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

struct EnvironmentCase {
    const char* lcAll;
    const char* lcCollate;
    const char* lang;
    const char* expected;
};

class UserLocaleTest : public testing::TestWithParam<EnvironmentCase> {};

TEST_P(UserLocaleTest, FirstNonEmptyVariableWins) {
    const EnvironmentCase& c = GetParam();
    const ScopedLocaleEnvironment scope(c.lcAll, c.lcCollate, c.lang);
    EXPECT_EQ(Collation::forUserLocale().localeName(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Variables, UserLocaleTest,
                         testing::Values(EnvironmentCase{"ja_JP.UTF-8", "sv_SE.UTF-8", "en_US.UTF-8", "ja_JP"},
                                         EnvironmentCase{"", "sv_SE.UTF-8", "en_US.UTF-8", "sv_SE"},
                                         EnvironmentCase{nullptr, nullptr, "en_US.UTF-8", "en_US"},
                                         EnvironmentCase{"", "", "", "root"},
                                         EnvironmentCase{nullptr, nullptr, nullptr, "root"},
                                         EnvironmentCase{"C", "ja_JP.UTF-8", nullptr, "root"},  // C wins and means root
                                         EnvironmentCase{nullptr, "C.UTF-8", "ja_JP.UTF-8", "root"},
                                         EnvironmentCase{"de_DE@euro", nullptr, nullptr, "de_DE"},
                                         EnvironmentCase{"garbage!", nullptr, "ja_JP.UTF-8", "root"}));

std::vector<std::string> keys(const std::vector<EC2Instance>& instances) {
    std::vector<std::string> out;
    for (const EC2Instance& i : instances) out.push_back(i.sortKey());
    return out;
}

TEST(SortInstancesTest, SortsByNameOrIdInTheLocale) {
    const char* json = R"([
        {"id":"i-0b","name":"web"},
        {"id":"i-0a","name":null},
        {"id":"i-0c","name":"Batch"},
        {"id":"i-0d","name":"ア"},
        {"id":"i-0e","name":"い"},
        {"id":"i-0f","name":"亜"},
        {"id":"i-10","name":"一"}
    ])";
    EXPECT_EQ(keys(parseInstances(json, Collation("ja_JP.UTF-8"))),
              (std::vector<std::string>{"Batch", "i-0a", "web", "ア", "い", "亜", "一"}));
    EXPECT_EQ(keys(parseInstances(json, Collation("en_US.UTF-8"))),
              (std::vector<std::string>{"Batch", "i-0a", "web", "ア", "い", "一", "亜"}));
}

TEST(SortInstancesTest, EqualKeysKeepTheToolsOrder) {
    const auto instances = parseInstances(R"([
        {"id":"i-3","name":"web"},
        {"id":"i-1","name":"api"},
        {"id":"i-2","name":"web"},
        {"id":"web","name":null},
        {"id":"i-0","name":"web"}
    ])",
                                          Collation("en_US.UTF-8"));
    std::vector<std::string> ids;
    for (const EC2Instance& i : instances) ids.push_back(i.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"i-1", "i-3", "i-2", "web", "i-0"}));
}

}  // namespace
}  // namespace tamsel
