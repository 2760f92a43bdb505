// The menu and the tray button as composed from a snapshot of the state.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/ControllerHarness.h"
#include "app/AlertComposer.h"
#include "app/MenuComposer.h"
#include "app/Regions.h"
#include "support/ShownTitle.h"

namespace tamsel::test {
namespace {

using Strings = std::vector<std::string>;

Strings titles(const std::vector<MenuItem>& items) {
    Strings out;
    for (const MenuItem& item : items)
        if (item.visible) out.push_back(item.separator ? "---" : test::shownTitle(item));
    return out;
}

// The top-level entries a user sees.
Menu shownEntries(Menu menu) {
    std::erase_if(menu, [](const MenuItem& item) { return !item.visible; });
    return menu;
}

// The lines between the header's separator and the first instance line or the next separator.
Strings statusBlock(const Menu& menu) {
    Strings out;
    for (std::size_t i = 2; i < menu.size() && !menu[i].separator && !menu[i].hasSubmenu(); ++i) {
        out.push_back(test::shownTitle(menu[i]));
    }
    return out;
}

MenuState baseState() { return {}; }

TEST(Menu, EmptyStateReadsAsTheMinimalMenuWithAVersionedBoldHeader) {
    MenuState state = baseState();
    state.version = "1.2.3";
    const Menu menu = shownEntries(composeMenu(state));
    EXPECT_EQ(titles(menu),
              (Strings{"Orvane for Mac  v1.2.3", "---", "インスタンスがありません", "---", "今すぐ更新", "---",
                       "プロファイル: デフォルト", "リージョン: デフォルト", "ログイン時に起動", "---", "終了"}));
    EXPECT_TRUE(menu[0].bold);
    EXPECT_FALSE(menu[0].enabled);
    EXPECT_EQ(menu[4].action, MenuAction::reloadNow);
    EXPECT_EQ(menu[4].keyEquivalent, 'r');
    EXPECT_EQ(menu.back().action, MenuAction::terminate);
    EXPECT_EQ(menu.back().keyEquivalent, 'q');

    state.version.reset();
    EXPECT_EQ(composeMenu(state)[0].title, "Orvane for Mac");
}

TEST(Menu, ItemsWithoutActionOrSubmenuAreDisabledAndSubmenusEnabled) {
    std::vector<EC2Instance> instances = {instance("i-1", "running", "web", {{"sg-1", "web"}}),
                                          instance("i-2", "pending")};
    MenuState state = baseState();
    state.instances = instances;
    state.lastError = AWSError::failed("AccessDenied");
    state.lastUpdated = "12:34:56";
    std::function<void(const std::vector<MenuItem>&)> check = [&](const std::vector<MenuItem>& items) {
        for (const MenuItem& item : items) {
            if (item.separator) continue;
            const bool power = item.action == MenuAction::startInstance || item.action == MenuAction::stopInstance;
            if (item.hasSubmenu() || (item.action != MenuAction::none && !power)) {
                EXPECT_TRUE(item.enabled) << item.title;
            } else if (item.action == MenuAction::none) {
                EXPECT_FALSE(item.enabled) << item.title;
            }
            check(item.submenu);
        }
    };
    const Menu menu = composeMenu(state);
    check(menu);
    EXPECT_EQ(std::count_if(menu.begin(), menu.end(), [](const MenuItem& item) { return item.separator; }), 4);
}

struct StatusCase {
    std::optional<AWSError> error;
    bool withInstance;
    bool loading;
    Strings expected;
    bool signingIn = false;
};

class StatusBlock : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusBlock, ShowsErrorLinesOrTheLoadingOrEmptyLine) {
    const StatusCase& c = GetParam();
    std::vector<EC2Instance> instances;
    if (c.withInstance) instances.push_back(instance("i-1", "running"));
    MenuState state = baseState();
    state.instances = instances;
    state.lastError = c.error;
    state.loading = c.loading;
    state.signingIn = c.signingIn;
    const Menu menu = shownEntries(composeMenu(state));
    EXPECT_EQ(statusBlock(menu), c.expected);
    // Only the loading line before anything was listed stands for a list on its way.
    const bool firstLoading = c.expected == Strings{"読み込み中…"};
    EXPECT_EQ(std::ranges::count(menu, true, &MenuItem::placeholder), firstLoading ? 1 : 0);
    state.lastUpdated = "12:34:56";
    EXPECT_EQ(std::ranges::count(composeMenu(state), true, &MenuItem::placeholder), 0);
    if (c.withInstance) {
        EXPECT_EQ(test::shownTitle(menu[2 + c.expected.size()]), "🟢 i-1 — running");
    }
}

// The sign that starts an error line, kept out of the literals of the table below: clang-format
// 14 measures a literal holding U+FE0F by its bytes, clang-format 19 by its width.
const std::string kWarning = "⚠️ ";
const std::string kAccessDenied = "An error occurred (AccessDenied) when calling the DescribeInstances operation";
const std::string kSSOExpired =
    "The SSO session associated with this profile has expired or is otherwise invalid. To refresh this SSO session "
    "run aws sso login with the corresponding profile.";

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusBlock,
    testing::Values(
        StatusCase{std::nullopt, false, true, {"読み込み中…"}},
        StatusCase{std::nullopt, false, false, {"インスタンスがありません"}}, StatusCase{std::nullopt, true, true, {}},
        StatusCase{AWSError::failed(""), false, true, {kWarning + "AWS CLI でエラーが発生しました"}},
        StatusCase{AWSError::failed("something odd"),
                   false,
                   false,
                   {kWarning + "AWS CLI でエラーが発生しました", "　エラーの詳細…"}},
        StatusCase{AWSError::failed(kAccessDenied),
                   true,
                   false,
                   {kWarning + "この操作を行う権限がありません",
                    "　IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください",
                    "　エラーの詳細…"}},
        StatusCase{AWSError::failed(kSSOExpired),
                   true,
                   false,
                   {kWarning + "認証の有効期限が切れています", "　ターミナルで aws sso login を実行してください",
                    "　aws sso login を実行…", "　エラーの詳細…"}},
        StatusCase{AWSError::failed(kSSOExpired),
                   false,
                   false,
                   {kWarning + "認証の有効期限が切れています", "　ターミナルで aws sso login を実行してください",
                    "　ブラウザでのサインインを待っています…", "　エラーの詳細…"},
                   true},
        StatusCase{AWSError::failed("An error occurred (ExpiredToken) when calling the DescribeInstances operation"),
                   false,
                   false,
                   {kWarning + "認証の有効期限が切れています", "　認証情報を更新してください", "　エラーの詳細…"}},
        StatusCase{AWSError::cliNotFound(),
                   false,
                   false,
                   {kWarning + "AWS CLI が見つかりません", "　AWS CLI v2 をインストールしてください"}},
        StatusCase{AWSError::ipLookupFailed(""),
                   false,
                   false,
                   {kWarning + "グローバル IP アドレスを取得できませんでした", "　ネットワーク接続を確認してください"}},
        StatusCase{AWSError::ipLookupFailed("timeout"),
                   false,
                   false,
                   {kWarning + "グローバル IP アドレスを取得できませんでした", "　ネットワーク接続を確認してください",
                    "　エラーの詳細…"}}));

TEST(Menu, ExactCharactersOfDotsAndMarks) {
    EXPECT_EQ(dot("running"), StateDot::running);
    EXPECT_EQ(dot("stopped"), StateDot::stopped);
    for (const char* state : {"pending", "stopping", "shutting-down"}) EXPECT_EQ(dot(state), StateDot::changing);
    for (const char* state : {"terminated", "unknown", "", "Running"}) EXPECT_EQ(dot(state), StateDot::other);
    const auto lines = errorLines(AWSError::ipLookupFailed("x"));
    EXPECT_EQ(lines[0].title.substr(0, 7), "\xE2\x9A\xA0\xEF\xB8\x8F ");
    EXPECT_EQ(lines[1].title.substr(0, 3), "\xE3\x80\x80");
    EXPECT_EQ(lines[2].title,
              "\xE3\x80\x80\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC\xE3\x81\xAE\xE8\xA9\xB3\xE7\xB4\xB0\xE2\x80\xA6");
    EXPECT_EQ(instanceMenuItem(instance("i-1", "x"), {}).title, "i-1 \xE2\x80\x94 x");
    EC2Instance addressed = instance("i-1", "running");
    addressed.privateIPv4 = "10.0.0.1";
    EXPECT_EQ(instanceMenuItem(addressed, {}).submenu.back().title,
              "\xE3\x83\x97\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x99\xE3\x83\xBC\xE3\x83\x88 IP \xE3\x82\x92"
              "\xE3\x82\xB3\xE3\x83\x94\xE3\x83\xBC\xEF\xBC\x88"
              "10.0.0.1"
              "\xEF\xBC\x89");
}

TEST(InstanceLine, TheNameIsMarkedForShorteningAndIsolatedWhenItCouldTurnTheLine) {
    const std::string fsi = "\u2068", pdi = "\u2069";
    const struct {
        std::string name;
        std::string title;  // of the instance line, stopped
    } cases[] = {
        {"web", "⚫️ web — stopped"},
        {"db_main & <cache>", "⚫️ db_main & <cache> — stopped"},
        {"evil\u202Egninnur", "⚫️ " + fsi + "evil\u202Egninnur" + pdi + " — stopped"},
        {"שרת 2", "⚫️ " + fsi + "שרת 2" + pdi + " — stopped"},
        {"خادم", "⚫️ " + fsi + "خادم" + pdi + " — stopped"},
        {"日本語サーバー", "⚫️ 日本語サーバー — stopped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MenuItem line = instanceMenuItem(instance("i-1", "stopped", c.name), {});
        EXPECT_EQ(test::shownTitle(line), c.title);
        ASSERT_TRUE(line.name.has_value());
        EXPECT_EQ(line.title.substr(line.name->start, line.name->length), c.name);
        // The same name in the profile line, and in the stop confirmation.
        const MenuItem profile = profileMenuItem({}, c.name);
        ASSERT_TRUE(profile.name.has_value());
        EXPECT_EQ(profile.title.substr(profile.name->start, profile.name->length), c.name);
        const std::string head = "⚫️ ", tail = " — stopped";  // around the name in c.title
        EXPECT_EQ(stopConfirmation(instance("i-1", "running", c.name)).title,
                  c.title.substr(head.size(), c.title.size() - head.size() - tail.size()) + " を停止しますか？");
    }
    // The product's own lines carry no name to shorten.
    EXPECT_FALSE(profileMenuItem({}, std::nullopt).name.has_value());
    for (const MenuItem& line : errorLines(AWSError::failed("AccessDenied"))) EXPECT_FALSE(line.name.has_value());
}

TEST(InstanceLine, ARunningInstanceTellsHowLongItHasRunAfterItsIdLine) {
    using namespace std::chrono;
    const auto now = sys_days{2026y / 12 / 8} + 12h;  // 12:00 UTC
    const struct {
        std::string state;
        std::optional<system_clock::duration> ago;  // since the launch; absent: no launch time
        std::optional<std::string> line;
    } cases[] = {
        {"running", 59min, "起動から 59 分"},
        {"running", 30s, "起動から 0 分"},
        {"running", 1h, "起動から 1 時間 0 分"},
        {"running", 3h + 12min, "起動から 3 時間 12 分"},
        {"running", 23h + 59min, "起動から 23 時間 59 分"},
        {"running", 24h, "起動から 1 日 0 時間"},
        {"running", 51h, "起動から 2 日 3 時間"},
        {"running", -1s, std::nullopt},  // in the future
        {"running", std::nullopt, std::nullopt},
        {"Running", 2h, std::nullopt},
        {"stopped", 2h, std::nullopt},
        {"pending", 2h, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state + " " + c.line.value_or("(none)"));
        EC2Instance record = instance("i-1", c.state);
        if (c.ago) record.launchTime = now - *c.ago;
        const MenuItem line = instanceMenuItem(record, {}, now);
        ASSERT_GE(line.submenu.size(), 2u);
        // There hidden when it has nothing to tell, so that the submenu keeps its shape.
        EXPECT_EQ(line.submenu[1].visible, c.line.has_value());
        EXPECT_FALSE(line.submenu[1].enabled);
        if (c.line) {
            EXPECT_EQ(line.submenu[1].title, *c.line);
        }
    }
}

TEST(InstanceLine, SubmenuCarriesTheRecordAndEnablesPowerByState) {
    const EC2Instance stopped = instance("i-1", "stopped");
    const MenuItem line = instanceMenuItem(stopped, {});
    EXPECT_EQ(test::shownTitle(line), "⚫️ i-1 — stopped");
    EXPECT_EQ(titles(line.submenu),
              (Strings{"i-1  t3.micro", "---", "起動", "停止", "---", "起動時に SG を自分の IP 専用にする: しない",
                       "お気に入りに追加", "---", "ID をコピー"}));
    EXPECT_FALSE(line.submenu[0].enabled);
    EXPECT_EQ(line.submenu[4].representedObject, RepresentedObject(stopped));
    EXPECT_EQ(line.submenu[5].action, MenuAction::stopInstance);
    EXPECT_EQ(line.submenu[5].representedObject, RepresentedObject(stopped));

    const struct {
        const char* state;
        bool start, stop;
    } cases[] = {{"stopped", true, false},   {"running", false, true},     {"pending", false, false},
                 {"stopping", false, false}, {"terminated", false, false}, {"unknown", false, false}};
    for (const auto& c : cases) {
        const MenuItem item = instanceMenuItem(instance("i-1", c.state, "web-1"), {});
        EXPECT_EQ(item.title, "web-1 — " + std::string(c.state));
        EXPECT_EQ(item.dot, dot(c.state));
        EXPECT_EQ(item.submenu[4].enabled, c.start) << c.state;
        EXPECT_EQ(item.submenu[5].enabled, c.stop) << c.state;
        // A stop can be booked only while it can be stopped; in every state the entry is
        // there (hidden), so a change of state does not change the submenu's shape.
        EXPECT_EQ(item.submenu[6].title, "停止を予約") << c.state;
        EXPECT_EQ(item.submenu[6].visible, c.stop) << c.state;
        EXPECT_EQ(item.submenu.size(), line.submenu.size()) << c.state;
    }
}

TEST(InstanceLine, CopyEntriesFollowTheAddressesAndCarryThePlainText) {
    const std::string id = "ID をコピー";
    const std::string publicIP = "パブリック IP をコピー（54.214.191.68）";
    const std::string privateIP = "プライベート IP をコピー（10.250.18.182）";
    const struct {
        std::optional<std::string> publicIPv4, privateIPv4;
        Strings entries;
        Strings carried;
    } cases[] = {
        {std::nullopt, std::nullopt, {id}, {"i-1"}},
        {"54.214.191.68", std::nullopt, {id, publicIP}, {"i-1", "54.214.191.68"}},
        {std::nullopt, "10.250.18.182", {id, privateIP}, {"i-1", "10.250.18.182"}},
        {"54.214.191.68", "10.250.18.182", {id, publicIP, privateIP}, {"i-1", "54.214.191.68", "10.250.18.182"}},
    };
    for (const auto& c : cases) {
        EC2Instance record = instance("i-1", "running", "web", {{"sg-1", "web"}});
        record.publicIPv4 = c.publicIPv4;
        record.privateIPv4 = c.privateIPv4;
        const std::vector<MenuItem> submenu = instanceMenuItem(record, {}).submenu;
        // After the lock submenu, the favourite entry, a separator and the ssh entries (hidden
        // without a command), and nothing after them.
        const auto lock = std::find_if(submenu.begin(), submenu.end(),
                                       [](auto& item) { return item.action == MenuAction::toggleFavourite; });
        ASSERT_NE(lock, submenu.end());
        ASSERT_TRUE((lock + 1)->separator);
        EXPECT_EQ((lock + 2)->action, MenuAction::connectSSH);
        EXPECT_FALSE((lock + 2)->visible || (lock + 3)->visible);
        const std::vector<MenuItem> copies(lock + 4, submenu.end());
        EXPECT_EQ(titles(copies), c.entries) << c.entries.size();
        EXPECT_EQ(copies.size(), 3u);  // the ones without an address hidden
        Strings carried;
        for (const MenuItem& item : copies) {
            if (!item.visible) continue;
            EXPECT_EQ(item.action, MenuAction::copyText) << item.title;
            EXPECT_TRUE(item.enabled) << item.title;
            if (const auto* text = std::get_if<std::string>(&item.representedObject)) carried.push_back(*text);
        }
        EXPECT_EQ(carried, c.carried);
    }
}

TEST(IngressLockItem, TitleAndCheckMarkFollowTheStoredGroup) {
    const EC2Instance web = instance("i-1", "stopped", "web", {{"sg-1", "web"}, {"sg-2", ""}});
    const struct {
        IngressLockGroups stored;
        std::string suffix;
        int checked;
    } cases[] = {
        {{}, "しない", 0},
        {{{"i-1", "sg-1"}}, "web (sg-1)", 2},
        {{{"i-1", "sg-2"}}, "sg-2", 3},
        {{{"i-1", "sg-gone"}}, "sg-gone", -1},
        {{{"i-other", "sg-1"}}, "しない", 0},
    };
    for (const auto& c : cases) {
        const MenuItem item = ingressLockMenuItem(web, c.stored);
        EXPECT_EQ(item.title, "起動時に SG を自分の IP 専用にする: " + c.suffix);
        EXPECT_EQ(titles(item.submenu), (Strings{"しない", "---", "web (sg-1)", "sg-2"}));
        for (int i = 0; i < static_cast<int>(item.submenu.size()); ++i) {
            EXPECT_EQ(item.submenu[i].checked, i == c.checked) << c.suffix << " entry " << i;
        }
    }
    const MenuItem item = ingressLockMenuItem(web, {});
    EXPECT_EQ(item.submenu[0].representedObject, RepresentedObject(LockChoice{"i-1", std::nullopt}));
    EXPECT_EQ(item.submenu[3].representedObject, RepresentedObject(LockChoice{"i-1", "sg-2"}));
    EXPECT_EQ(titles(ingressLockMenuItem(instance("i-9", "stopped"), {{"i-9", "sg-7"}}).submenu),
              (Strings{"しない", "---"}));
}

TEST(SettingsItems, ProfileAndRegionCheckOnlyTheCurrentEntry) {
    const Strings profiles = {"dev", "work"};
    const struct {
        std::optional<std::string> profile;
        std::string title;
        int checked;
    } cases[] = {{std::nullopt, "プロファイル: デフォルト", 0},
                 {"work", "プロファイル: work", 2},
                 {"ghost", "プロファイル: ghost", -1}};
    for (const auto& c : cases) {
        const MenuItem item = profileMenuItem(profiles, c.profile);
        EXPECT_EQ(item.title, c.title);
        EXPECT_EQ(titles(item.submenu), (Strings{"デフォルト", "dev", "work"}));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(item.submenu[i].checked, i == c.checked) << c.title;
    }
    EXPECT_EQ(profileMenuItem(profiles, {}).submenu[0].representedObject, RepresentedObject());
    EXPECT_EQ(profileMenuItem(profiles, {}).submenu[1].representedObject, RepresentedObject(std::string("dev")));

    const MenuItem region = regionMenuItem("ap-northeast-1");
    EXPECT_EQ(region.title, "リージョン: ap-northeast-1");
    ASSERT_EQ(region.submenu.size(), 21u);
    EXPECT_EQ(region.submenu[0].title, "デフォルト (AWS CLI の設定)");
    EXPECT_TRUE(region.submenu[1].separator);
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        EXPECT_EQ(region.submenu[i + 2].title, kRegions[i]);
        EXPECT_EQ(region.submenu[i + 2].representedObject, RepresentedObject(std::string(kRegions[i])));
        EXPECT_EQ(region.submenu[i + 2].checked, kRegions[i] == "ap-northeast-1");
    }
    EXPECT_TRUE(region.submenu[19].separator);
    EXPECT_EQ(region.submenu[20].title, "ほかのリージョンを確認");
    EXPECT_EQ(region.submenu[20].action, MenuAction::sweepRegions);
    const MenuItem elsewhere = regionMenuItem("mars-north-1");
    EXPECT_EQ(elsewhere.title, "リージョン: mars-north-1");
    EXPECT_TRUE(std::none_of(elsewhere.submenu.begin(), elsewhere.submenu.end(), [](auto& i) { return i.checked; }));
    EXPECT_TRUE(regionMenuItem(std::nullopt).submenu[0].checked);
}

TEST(Menu, UpdateTimeAndLoginLines) {
    std::vector<EC2Instance> instances = {instance("i-1", "running")};
    MenuState state = baseState();
    state.instances = instances;
    EXPECT_EQ(shownEntries(composeMenu(state))[4].title, "今すぐ更新");
    state.lastUpdated = "12:34:56";
    state.loginEnabled = true;
    const Menu menu = shownEntries(composeMenu(state));
    EXPECT_EQ(titles(menu)[4], "最終更新: 12:34:56");
    EXPECT_FALSE(menu[4].enabled);
    EXPECT_TRUE(menu[9].checked);
    EXPECT_EQ(menu[9].action, MenuAction::toggleLogin);
}

TEST(Menu, FavouritesComeFirstMarkedInListOrderAndCanShowAlone) {
    // As the list sorts them: a, b, c, d.
    const std::vector<EC2Instance> instances = {instance("i-a", "running", "a"), instance("i-b", "stopped", "b"),
                                                instance("i-c", "running", "c"), instance("i-d", "stopped", "d")};
    const struct {
        std::string name;
        std::set<std::string> favourites;
        bool only;
        Strings list;           // the lines shown between the header and the update lines
        bool offered, checked;  // the switch to favourites alone
    } cases[] = {
        {"no favourite: the list as it was",
         {},
         false,
         {"🟢 a — running", "⚫️ b — stopped", "🟢 c — running", "⚫️ d — stopped"},
         false,
         false},
        {"none, the view stored on",
         {},
         true,
         {"🟢 a — running", "⚫️ b — stopped", "🟢 c — running", "⚫️ d — stopped"},
         false,
         false},
        {"two",
         {"i-d", "i-b"},
         false,
         {"⚫️ ★ b — stopped", "⚫️ ★ d — stopped", "🟢 a — running", "🟢 c — running"},
         true,
         false},
        {"two alone, the other two counted",
         {"i-c", "i-a"},
         true,
         {"🟢 ★ a — running", "🟢 ★ c — running", "ほかに 2 台"},
         true,
         true},
        {"all alone",
         {"i-a", "i-b", "i-c", "i-d"},
         true,
         {"🟢 ★ a — running", "⚫️ ★ b — stopped", "🟢 ★ c — running", "⚫️ ★ d — stopped"},
         true,
         true},
        {"one gone, alone", {"i-gone"}, true, {"ほかに 4 台"}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MenuState state = baseState();
        state.instances = instances;
        state.favourites = c.favourites;
        state.favouritesOnly = c.only;
        const Menu menu = composeMenu(state);
        Strings list;
        for (std::size_t i = 3; !menu[i].separator; ++i)
            if (menu[i].visible) list.push_back(test::shownTitle(menu[i]));
        EXPECT_EQ(list, c.list);
        const MenuItem* offered = nullptr;
        for (const MenuItem& item : menu)
            if (item.action == MenuAction::toggleFavouritesOnly) offered = &item;
        ASSERT_NE(offered, nullptr);
        EXPECT_EQ(offered->visible, c.offered);
        EXPECT_EQ(offered->checked, c.checked);
        for (const MenuItem& line : menu) {
            if (line.action != MenuAction::none || !line.hasSubmenu() || !line.submenu[0].title.starts_with("i-"))
                continue;
            const auto toggle = std::find_if(line.submenu.begin(), line.submenu.end(), [](const MenuItem& item) {
                return item.action == MenuAction::toggleFavourite;
            });
            ASSERT_NE(toggle, line.submenu.end());
            const bool favourite = c.favourites.contains(std::get<std::string>(toggle->representedObject));
            EXPECT_EQ(toggle->title, favourite ? "お気に入りから外す" : "お気に入りに追加");
            // Only the name may be shortened: the mark stays, as the dot does.
            ASSERT_TRUE(line.name.has_value());
            EXPECT_EQ(line.title.substr(line.name->start, line.name->length), line.submenu[0].title.substr(2, 1));
        }
        // Switching the view changes no entry, only what shows.
        state.favouritesOnly = !c.only;
        const Menu other = composeMenu(state);
        ASSERT_EQ(other.size(), menu.size());
        for (std::size_t i = 0; i < menu.size(); ++i) {
            EXPECT_EQ(other[i].action, menu[i].action) << i;
            EXPECT_EQ(other[i].submenu, menu[i].submenu) << i;
        }
    }
}

TEST(StatusButtonTest, ImageFollowsRunningAndTitleFollowsTheError) {
    const std::vector<EC2Instance> running = {instance("i-1", "stopped"), instance("i-2", "running")};
    const std::vector<EC2Instance> idle = {instance("i-1", "Running"), instance("i-2", "pending")};
    EXPECT_EQ(statusButton(running, false), (StatusButton{"MenuBarIconRunning", "", "Orvane for Mac"}));
    EXPECT_EQ(statusButton(idle, true), (StatusButton{"MenuBarIcon", " !", "Orvane for Mac"}));
    EXPECT_EQ(statusButton({}, false).imageName, "MenuBarIcon");
}

// GNOME's menu never scrolls and opens each submenu in place, in the room the menu leaves:
// whatever the screen, every entry stays in the menu, no submenu sits inside another, and
// the top level leaves an open submenu its lines.
TEST(InPlaceMenu, EveryEntryStaysAndTheTopLevelLeavesASubmenuItsLines) {
    struct Case {
        std::size_t instances;
        int screenHeight;
        bool folded;
        std::size_t favourites = 0;  // the first ones
        bool only = false;           // shown alone, the others counted
    };
    const std::vector<Case> cases = {
        {50, 800, true},           {50, 1080, true},          {2, 1080, false},          {9, 800, true},
        {50, 800, true, 12, true}, {50, 800, true, 3, false}, {50, 1080, false, 2, true}};
    const InPlaceMenuMetrics metrics;
    for (const Case& c : cases) {
        std::vector<EC2Instance> instances;
        for (std::size_t i = 0; i < c.instances; ++i) {
            EC2Instance instance;
            instance.id = "i-" + std::to_string(i);
            instance.name = "web_" + std::to_string(i);
            instance.state = i % 2 ? "running" : "stopped";
            instances.push_back(instance);
        }
        const std::vector<std::string> profiles = {"default", "staging"};
        MenuState state = baseState();
        state.instances = instances;
        state.profiles = profiles;
        for (std::size_t i = 0; i < c.favourites; ++i) state.favourites.insert(instances[i].id);
        state.favouritesOnly = c.only;
        const Menu whole = composeMenu(state);
        const Menu shown = foldedForInPlaceSubmenus(whole, c.screenHeight);
        const std::string where = std::to_string(c.instances) + " at " + std::to_string(c.screenHeight) + ", " +
                                  std::to_string(c.favourites) + (c.only ? " favourites alone" : " favourites");

        // What each entry that does something does, and how deep it sits.
        using Reach = std::vector<std::pair<MenuAction, RepresentedObject>>;
        const auto actions = [](const Menu& menu, int& deepest) {
            Reach found;
            const auto walk = [&](const auto& self, const std::vector<MenuItem>& items, int depth) -> void {
                for (const MenuItem& item : items) {
                    deepest = std::max(deepest, depth);
                    if (item.action != MenuAction::none) found.emplace_back(item.action, item.representedObject);
                    self(self, item.submenu, depth + 1);
                }
            };
            walk(walk, menu, 0);
            return found;
        };
        int deepest = 0;
        const Reach all = actions(whole, deepest);
        deepest = 0;
        const Reach reached = actions(shown, deepest);
        EXPECT_EQ(deepest, 1) << where;
        EXPECT_EQ(reached.size(), all.size()) << where;
        for (const auto& entry : all)
            EXPECT_NE(std::find(reached.begin(), reached.end(), entry), reached.end()) << where;

        int height = 0;
        for (const MenuItem& item : shown)
            if (item.visible) height += item.separator ? metrics.separator : metrics.line;
        EXPECT_LE(height, c.screenHeight - metrics.frame - metrics.submenuLines * metrics.line) << where;
        const bool folded = std::any_of(shown.begin(), shown.end(),
                                        [](const MenuItem& item) { return item.title == words::kSettings; });
        EXPECT_EQ(folded, c.folded) << where;
        // The instance lines that show, and beside them the ones held in 「ほかに N 台」; the
        // others, while the favourites show alone, counted in the line after them.
        const std::size_t listed = c.only ? c.favourites : c.instances;
        const auto lines = static_cast<std::size_t>(std::count_if(shown.begin(), shown.end(), [](const MenuItem& item) {
            return item.visible && test::shownTitle(item).find(" web_") != std::string::npos;
        }));
        const auto more = std::find_if(shown.begin(), shown.end(), [](const MenuItem& item) {
            return item.visible && item.hasSubmenu() && item.title.starts_with("ほかに ");
        });
        if (lines < listed) {
            ASSERT_NE(more, shown.end()) << where;
            EXPECT_EQ(more->title, "ほかに " + std::to_string(listed - lines) + " 台") << where;
        }
        const auto counted = std::find_if(shown.begin(), shown.end(), [](const MenuItem& item) {
            return item.visible && !item.hasSubmenu() && item.title.starts_with("ほかに ");
        });
        EXPECT_EQ(counted != shown.end(), c.only) << where;
        if (c.only && counted != shown.end()) {
            EXPECT_EQ(counted->title, "ほかに " + std::to_string(c.instances - c.favourites) + " 台") << where;
            // Below the favourites and what holds the rest of them.
            EXPECT_TRUE(more == shown.end() || more < counted) << where;
        }
        if (c.favourites > 0) {
            EXPECT_EQ(test::shownTitle(shown[3]), "⚫️ ★ web_0 — stopped") << where;
        }
    }
}

}  // namespace
}  // namespace tamsel::test
