#include "platform/qt/DBusMenuProperties.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tamsel {
namespace {

TEST(DBusMenuProperties, ALabelShowsTheTitleExactlyAndHasNoAccessKey) {
    // A host following dbusmenu shows "__" as one underscore and takes a single '_' as the
    // access key; GNOME's AppIndicator extension takes out only the first '_' before
    // another character and shows every other one as written.
    struct Case {
        std::string title;
        std::string dbusMenu;
        std::string gnomeShell;
    };
    const std::vector<Case> names = {
        {"db_main & <cache>", "db__main & <cache>", "db__main & <cache>"},
        {"db_backup_01", "db__backup__01", "db__backup_01"},
        {"a__b", "a____b", "a___b"},
        {"_lead", "__lead", "__lead"},
        {"trail_", "trail__", "trail__"},
        {"r&d", "r&d", "r&d"},
        {"&&", "&&", "&&"},
        {"<b>x</b>", "<b>x</b>", "<b>x</b>"},
        {"🚀 rocket_1", "🚀 rocket__1", "🚀 rocket__1"},
        {"خادم_الويب", "خادم__الويب", "خادم__الويب"},
        {"שרת ראשי", "שרת ראשי", "שרת ראשי"},
        {"tab\there", "tab here", "tab here"},
    };
    for (const Case& c : names) {
        MenuItem item;
        item.dot = StateDot::running;
        item.title = c.title + " — running";
        EXPECT_EQ(dbusMenuProperties(item).label, c.dbusMenu + " — running") << c.title;
        EXPECT_EQ(dbusMenuProperties(item).dot, StateDot::running) << c.title;
        // GNOME's extension draws no icon on a line with a submenu: the dot stays text.
        EXPECT_EQ(dbusMenuProperties(item, LabelReading::gnomeShell).label, "🟢 " + c.gnomeShell + " — running")
            << c.title;
    }
}

// The state dot is the entry's icon; on GNOME's menu, where no icon shows on a line with
// a submenu, it is the label's first text, exactly, the stopped one as the dot that reads
// on its dark menu.
TEST(DBusMenuProperties, TheStateDotIsTheIconOrOnGnomeTheLabelsFirstText) {
    const std::vector<std::tuple<StateDot, std::string>> cases = {
        {StateDot::running, "\xF0\x9F\x9F\xA2 web"},        // 🟢
        {StateDot::stopped, "\xF0\x9F\x94\x98 web"},        // 🔘, not ⚫️
        {StateDot::changing, "\xF0\x9F\x9F\xA1 web"},       // 🟡
        {StateDot::other, "\xE2\x9A\xAA\xEF\xB8\x8F web"},  // ⚪️
        {StateDot::none, "web"},
    };
    for (const auto& [dot, gnomeLabel] : cases) {
        MenuItem item;
        item.dot = dot;
        item.title = "web";
        EXPECT_EQ(dbusMenuProperties(item).dot, dot) << gnomeLabel;
        EXPECT_EQ(dbusMenuProperties(item).label, "web") << gnomeLabel;
        EXPECT_EQ(dbusMenuProperties(item, LabelReading::gnomeShell).label, gnomeLabel);
        EXPECT_EQ(dbusMenuProperties(item, LabelReading::gnomeShell).dot, StateDot::none) << gnomeLabel;
    }
}

TEST(DBusMenuProperties, ChoicesAreRadioItemsTheLoginSwitchACheckBoxWithTheModelsMark) {
    struct Case {
        MenuAction action;
        bool checked;
        std::string toggleType;
        int toggleState;
    };
    const std::vector<Case> cases = {
        {MenuAction::selectProfile, true, "radio", 1},
        {MenuAction::selectRegion, false, "radio", 0},
        {MenuAction::selectIngressLockGroup, true, "radio", 1},
        {MenuAction::toggleLogin, false, "checkmark", 0},
        {MenuAction::toggleLogin, true, "checkmark", 1},
        {MenuAction::reloadNow, false, "", 0},
        {MenuAction::copyText, false, "", 0},
    };
    for (const Case& c : cases) {
        MenuItem item;
        item.title = "x";
        item.action = c.action;
        item.checked = c.checked;
        const DBusMenuProperties properties = dbusMenuProperties(item);
        EXPECT_EQ(properties.toggleType, c.toggleType) << static_cast<int>(c.action);
        EXPECT_EQ(properties.toggleState, c.toggleState) << static_cast<int>(c.action);
    }
}

TEST(DBusMenuProperties, ShortcutsSeparatorsAndSubmenus) {
    MenuItem reload;
    reload.title = "今すぐ更新";
    reload.keyEquivalent = 'r';
    EXPECT_EQ(dbusMenuProperties(reload).shortcut, (std::vector<std::string>{"Control", "r"}));
    reload.keyEquivalent = 'R';
    EXPECT_EQ(dbusMenuProperties(reload).shortcut, (std::vector<std::string>{"Control", "Shift", "r"}));
    reload.keyEquivalent = '\0';
    EXPECT_TRUE(dbusMenuProperties(reload).shortcut.empty());

    EXPECT_EQ(dbusMenuProperties(MenuItem::separatorItem()), DBusMenuProperties{.separator = true});
    MenuItem line;
    line.dot = StateDot::stopped;
    line.title = "web — stopped";
    line.enabled = true;
    line.submenu = {MenuItem{}};
    EXPECT_TRUE(dbusMenuProperties(line).submenu);
    EXPECT_TRUE(dbusMenuProperties(line).enabled);
}

}  // namespace
}  // namespace tamsel
