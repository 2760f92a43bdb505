#include "platform/qt/MenuEdits.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/MenuComposer.h"

namespace tamsel {

void PrintTo(const MenuEdit& edit, std::ostream* out) {
    static const char* const kinds[] = {"update", "insert", "remove"};
    *out << kinds[static_cast<int>(edit.kind)] << "(" << edit.at << ", " << edit.from
         << (edit.lineChanged ? " look" : "") << (edit.submenuChanged ? " lines" : "")
         << (edit.actsOnSame ? "" : " other") << ")";
}

namespace {

using Kind = MenuEdit::Kind;

// A plain enabled line: the header, the time, loading, quit.
MenuItem line(std::string title, MenuAction action = MenuAction::none) {
    MenuItem item;
    item.title = std::move(title);
    item.enabled = true;
    item.action = action;
    return item;
}

// An instance's line as the composer makes it: its state in the title, its entries below.
MenuItem instance(const std::string& id, const std::string& state) {
    return instanceMenuItem(EC2Instance{id, id, state, "t3.micro", {}}, {});
}

// A menu shaped like the controller's: header, instances, separator, last update, quit.
Menu menu(std::vector<MenuItem> instances, const std::string& time = "12:00:00") {
    Menu result = {line("Orvane for Mac"), MenuItem::separatorItem()};
    for (MenuItem& item : instances) result.push_back(std::move(item));
    result.push_back(MenuItem::separatorItem());
    result.push_back(line("最終更新: " + time));
    result.push_back(line("終了", MenuAction::terminate));
    return result;
}

MenuEdit update(size_t at, size_t from, bool lineChanged, bool submenuChanged, bool actsOnSame = true) {
    return {Kind::update, at, from, lineChanged, submenuChanged, actsOnSame};
}
MenuEdit insert(size_t at, size_t from) { return {Kind::insert, at, from}; }
MenuEdit remove(size_t at) { return {Kind::remove, at}; }

// Applies `edits` to the titles of `drawn` as an adapter would, for checking where they lead.
std::vector<std::string> titlesAfter(const Menu& drawn, const Menu& next, const std::vector<MenuEdit>& edits) {
    std::vector<std::string> titles;
    for (const MenuItem& item : drawn) titles.push_back(item.title);
    for (const MenuEdit& edit : edits) {
        const auto at = titles.begin() + static_cast<std::ptrdiff_t>(edit.at);
        if (edit.kind == Kind::remove) titles.erase(at);
        if (edit.kind == Kind::insert) titles.insert(at, next[edit.from].title);
        if (edit.kind == Kind::update) *at = next[edit.from].title;
    }
    return titles;
}

struct Case {
    std::string name;
    Menu drawn;
    Menu next;
    std::vector<MenuEdit> edits;
    std::vector<bool> linesBuilt = {};  // per drawn entry; none given: every submenu's are
};

TEST(MenuEdits, ALandingEditsOnlyWhatChangedKeepingTheLinesOfWhatStays) {
    const MenuItem a = instance("i-a", "running"), b = instance("i-b", "stopped"), c = instance("i-c", "running");
    const std::vector<Case> cases = {
        {"the same menu", menu({a, b}), menu({a, b}), {}},
        {"only the time: its text", menu({a, b}), menu({a, b}, "12:00:31"), {update(5, 5, true, false)}},
        {"an instance stopped: its line and its lines, in place",
         menu({a, b}),
         menu({a, instance("i-b", "stopping")}),
         {update(3, 3, true, true)}},
        {"only what a submenu entry carries: no new look",
         menu({a}),
         [&] {
             Menu m = menu({a});
             for (MenuItem& entry : m[2].submenu) {
                 if (auto* carried = std::get_if<EC2Instance>(&entry.representedObject)) carried->type = "t3.small";
             }
             return m;
         }(),
         {update(2, 2, false, true)}},
        {"an instance added between others", menu({a, c}), menu({a, b, c}), {insert(3, 3)}},
        {"an instance gone", menu({a, b, c}), menu({a, c}), {remove(3)}},
        {"another region's list: each line takes the place of one of its shape",
         menu({a, b}),
         menu({instance("i-x", "running"), instance("i-y", "stopped"), instance("i-z", "stopped")}),
         {update(2, 2, true, true, false), update(3, 3, true, true, false), insert(4, 4)}},
        {"loading: the list gives way to a line of another shape",
         menu({a, b}),
         menu({line("読み込み中…")}),
         {remove(2), remove(2), insert(2, 2)}},
        {"the list lands after loading",
         menu({line("読み込み中…")}),
         menu({a, b}),
         {insert(2, 2), remove(3), insert(3, 3)}},
        {"an instance gone and the time changed",
         menu({a, b, c}),
         menu({a, c}, "12:00:31"),
         {remove(3), update(5, 5, true, false)}},
        {"only the time, no submenu built: each instance's entry takes its new item, uncompared",
         menu({a, b}),
         menu({a, b}, "12:00:31"),
         {update(2, 2, false, true), update(3, 3, false, true), update(5, 5, true, false)},
         std::vector<bool>(7, false)},
        {"an instance stopped, only the other's submenu built",
         menu({a, b}),
         menu({instance("i-a", "stopping"), b}),
         {update(2, 2, true, true)},
         {false, false, false, true, false, false, false}},
    };
    for (const Case& c : cases) {
        std::vector<const MenuItem*> drawn;
        for (const MenuItem& item : c.drawn) drawn.push_back(&item);
        const std::vector<MenuEdit> edits =
            c.linesBuilt.empty() ? menuEdits(c.drawn, c.next) : menuEdits(drawn, c.linesBuilt, c.next);
        EXPECT_EQ(edits, c.edits) << c.name;
        std::vector<std::string> expected;
        for (const MenuItem& item : c.next) expected.push_back(item.title);
        EXPECT_EQ(titlesAfter(c.drawn, c.next, edits), expected) << c.name;
    }
}

TEST(MenuEdits, EntriesHaveTheSameKeyExactlyWhenTheirKeysAreEqual) {
    MenuItem profiles = line("プロファイル: dev");
    profiles.submenu = {line("default", MenuAction::selectProfile), line("dev", MenuAction::selectProfile)};
    profiles.submenu[1].representedObject = std::string("dev");
    MenuItem otherProfiles = profiles;
    otherProfiles.submenu.erase(otherProfiles.submenu.begin());
    MenuItem noActions = line("空");
    noActions.submenu = {line("なし")};
    const std::vector<MenuItem> items = {
        instance("i-a", "running"),
        instance("i-a", "stopped"),
        instance("i-b", "running"),
        profiles,
        otherProfiles,
        noActions,
        line("終了", MenuAction::terminate),
        line("今すぐ更新", MenuAction::reloadNow),
        line("最終更新: 12:00:00"),
        line("読み込み中…"),
        MenuItem::separatorItem(),
    };
    for (const MenuItem& x : items) {
        for (const MenuItem& y : items)
            EXPECT_EQ(sameEntryKey(x, y), menuEntryKey(x) == menuEntryKey(y)) << x.title << " / " << y.title;
    }
}

}  // namespace
}  // namespace tamsel
