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
        item.title = "🟢 " + c.title + " — running";
        EXPECT_EQ(dbusMenuProperties(item).label, c.dbusMenu + " — running") << c.title;
        EXPECT_EQ(dbusMenuProperties(item).dot, "🟢") << c.title;
        // GNOME's extension draws no icon on a line with a submenu: the dot stays text.
        EXPECT_EQ(dbusMenuProperties(item, LabelReading::gnomeShell).label, "🟢 " + c.gnomeShell + " — running")
            << c.title;
    }
}

// A leading state dot and its space become the entry's icon; a dot anywhere else, or
// without its space, is the name's own text.
TEST(DBusMenuProperties, OnlyALeadingStateDotBecomesTheIcon) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"⚫️ web — stopped", "⚫️", "web — stopped"},
        {"🟡 web — pending", "🟡", "web — pending"},
        {"⚪️ web — shutting-down", "⚪️", "web — shutting-down"},
        {"🟢web", "", "🟢web"},
        {"⚫ web — stopped", "", "⚫ web — stopped"},  // without the emoji selector: a name's text
        {"R&D 🟢 web", "", "R&D 🟢 web"},
        {"最終更新: 12:34:56", "", "最終更新: 12:34:56"},
    };
    for (const auto& [title, dot, label] : cases) {
        MenuItem item;
        item.title = title;
        EXPECT_EQ(dbusMenuProperties(item).dot, dot) << title;
        EXPECT_EQ(dbusMenuProperties(item).label, label) << title;
    }
    // On GNOME's dark menu the stopped dot is the one that reads there.
    MenuItem stopped;
    stopped.title = "⚫️ web — stopped";
    EXPECT_EQ(dbusMenuProperties(stopped, LabelReading::gnomeShell).label, "🔘 web — stopped");
    EXPECT_EQ(dbusMenuProperties(stopped, LabelReading::gnomeShell).dot, "");
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
    line.title = "⚫️ web — stopped";
    line.enabled = true;
    line.submenu = {MenuItem{}};
    EXPECT_TRUE(dbusMenuProperties(line).submenu);
    EXPECT_TRUE(dbusMenuProperties(line).enabled);
}

}  // namespace
}  // namespace tamsel
