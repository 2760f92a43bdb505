#include "platform/qt/DBusMenuLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "app/MenuComposer.h"
#include "bridge/AWSError.h"

namespace tamsel {
namespace {

EC2Instance instance(std::string id, std::string name, std::string state, std::optional<std::string> address = {}) {
    return EC2Instance{
        std::move(id),      std::move(name), std::move(state), "t3.micro", {{"sg-1", "web"}, {"sg-2", "ssh"}},
        std::move(address), "10.0.0.1"};
}

// What the controller shows, as its composer builds it.
// A group given to an instance (named, so that its row's change reads on one line alike in
// every clang-format the project takes).
const SecurityGroup kAddedGroup{"sg-3", "db"};

struct Shown {
    std::vector<EC2Instance> instances = {instance("i-1", "api", "running", "3.3.3.3"),
                                          instance("i-2", "db_main & <cache>", "stopped"),
                                          instance("i-3", "web", "running", "5.5.5.5")};
    std::string time = "12:00:00";
    std::optional<AWSError> error = {};
    bool loading = false;
    std::optional<std::string> profile = {};
    IngressLockGroups locks = {};
    std::map<std::string, std::chrono::system_clock::time_point> bookings = {};

    Menu menu() const {
        static const std::vector<std::string> profiles = {"default", "dev"};
        MenuState state;
        state.version = "0.1.0";
        state.instances = instances;
        state.lastError = error;
        state.loading = loading;
        if (!loading) state.lastUpdated = time;
        state.profiles = profiles;
        state.profile = profile;
        state.ingressLockGroups = locks;
        state.stopBookings = bookings;
        return composeMenu(state);
    }
};

// Each entry by its place ("2/5/0": the first entry of the sixth of the third), with its id
// and its titles from the top.
struct Numbered {
    std::map<std::string, int> ids;
    std::map<std::string, std::string> titles;
};

Numbered numbered(const DBusMenuLayout& layout) {
    Numbered result;
    std::function<void(int, const std::string&, const std::string&)> walk = [&](int id, const std::string& place,
                                                                                const std::string& titles) {
        const DBusMenuLayout::Entry* entry = layout.find(id);
        for (size_t i = 0; i < entry->children.size(); ++i) {
            const int child = entry->children[i];
            const std::string at = place.empty() ? std::to_string(i) : place + "/" + std::to_string(i);
            const std::string title = titles + "/" + layout.find(child)->item->title;
            result.ids[at] = child;
            result.titles[at] = title;
            walk(child, at, title);
        }
    };
    walk(DBusMenuLayout::kRoot, "", "");
    return result;
}

struct Case {
    std::string name;
    std::function<void(Shown&)> change;
    std::set<std::string> layoutChanged;      // places in the new menu ("" the menu itself)
    std::set<std::string> propertiesChanged;  // places in the new menu
    std::set<std::string> fresh;              // places of entries that get new ids
    std::set<std::string> flipped = {};       // places of entries shown or hidden
};

TEST(DBusMenuLayout, ARefreshKeepsTheIdOfEachEntryInItsPlaceAndChangesTheLayoutOnlyWhenEntriesComeOrGo) {
    // Top level: 0 header, 1 ---, 2 the loading or empty line (hidden), 3 api, 4 db_main, 5 web,
    // 6 the count of those not shown (hidden), 7 ---, 8 お気に入りだけ表示 (hidden), 9 最終更新,
    // 10 今すぐ更新, 11 ---, 12 プロファイル, 13 リージョン, 14 ログイン時に起動, 15 ---, 16 終了. An instance's
    // submenu, its lines hidden where they do not apply: 0 id, 1 how long it has run, 2 when its stop is due, 3 ---, 4
    // 起動, 5 停止, 6 停止を予約 (1, 2, 4 and 8 hours), 7 the booking's cancellation, 8 ---, 9 the lock menu (0 しない,
    // 1 ---, 2 web, 3 ssh), 10 the favourite entry, 11 ---, 12 ID, 13 public IP, 14 private IP.
    const std::vector<Case> cases = {
        {"the same model again", [](Shown&) {}, {}, {}, {}},
        {"the time and a state change: texts and flags in place",
         [](Shown& s) {
             s.time = "12:00:31";
             s.instances[1].state = "pending";  // a running one would lose its booking submenu
         },
         {},
         {"9", "4", "4/4"},
         {}},
        {"another profile: the marks move", [](Shown& s) { s.profile = "dev"; }, {}, {"12", "12/0", "12/2"}, {}},
        {"a lock group chosen: the marks move in the instance's submenu",
         [](Shown& s) { s.locks["i-3"] = "sg-2"; },
         {},
         {"5/9", "5/9/0", "5/9/3"},
         {}},
        {"an instance added between others",
         [](Shown& s) { s.instances.insert(s.instances.begin() + 1, instance("i-9", "cache", "running")); },
         {""},
         {},
         {"4"}},
        {"an instance gone", [](Shown& s) { s.instances.erase(s.instances.begin() + 1); }, {""}, {}, {}},
        {"running to stopped: the booking and the public address hidden in place",
         [](Shown& s) {
             s.instances[2].state = "stopped";
             s.instances[2].publicIPv4.reset();
         },
         {},
         {"5", "5/4", "5/5", "5/6", "5/15"},
         {},
         {"5/6", "5/15"}},
        {"stopped to running with an address: the lines shown in place",
         [](Shown& s) {
             s.instances[1].state = "running";
             s.instances[1].publicIPv4 = "7.7.7.7";
         },
         {},
         {"4", "4/4", "4/5", "4/6", "4/15"},
         {},
         {"4/6", "4/15"}},
        {"a stop booked: its time and its cancellation shown in place",
         [](Shown& s) { s.bookings["i-1"] = std::chrono::system_clock::time_point{}; },
         {},
         {"3/2", "3/7"},
         {},
         {"3/2", "3/7"}},
        {"an instance's groups changed: the layout of its lock menu alone",
         [](Shown& s) { s.instances[2].securityGroups.push_back(kAddedGroup); },
         {"5/9"},
         {},
         {"5/9/4"}},
        {"two instances' groups changed: the layout of each lock menu",
         [](Shown& s) {
             s.instances[0].securityGroups.pop_back();
             s.instances[2].securityGroups.push_back(kAddedGroup);
         },
         {"3/9", "5/9"},
         {},
         {"5/9/4"}},
        {"an instance in place of another is a new entry",
         [](Shown& s) { s.instances[1] = instance("i-8", "dc", "stopped"); },
         {""},
         {},
         {"4"}},
        {"error lines in place of the list",
         [](Shown& s) {
             s.instances.clear();
             s.error = AWSError::failed("An error occurred (AuthFailure)");
         },
         {""},
         {},
         {"3", "4", "5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Shown shown;
        DBusMenuLayout layout;
        layout.update(shown.menu());
        const Numbered before = numbered(layout);
        c.change(shown);
        const DBusMenuLayout::Changes changes = layout.update(shown.menu());
        const Numbered after = numbered(layout);

        std::set<std::string> layoutChanged, propertiesChanged, flipped;
        std::map<int, std::string> placeOf;
        for (const auto& [place, id] : after.ids) placeOf[id] = place;
        placeOf[DBusMenuLayout::kRoot] = "";
        // Each parent a host reads again is named once.
        const std::vector<int> parents = changes.layoutParents();
        for (int id : parents) layoutChanged.insert(placeOf.at(id));
        EXPECT_EQ(parents.size(), layoutChanged.size());
        for (const auto& [id, previous] : changes.propertiesChanged) {
            propertiesChanged.insert(placeOf.at(id));
            EXPECT_NE(previous, layout.find(id)->properties) << placeOf.at(id);
            if (previous.visible != layout.find(id)->properties.visible) flipped.insert(placeOf.at(id));
        }
        EXPECT_EQ(layoutChanged, c.layoutChanged);
        EXPECT_EQ(propertiesChanged, c.propertiesChanged);
        EXPECT_EQ(flipped, c.flipped);

        std::set<int> oldIds;
        for (const auto& [place, id] : before.ids) oldIds.insert(id);
        std::map<std::string, int> oldByTitles;  // titles shown once (not separators)
        std::set<std::string> repeated;
        for (const auto& [place, titles] : before.titles)
            if (!oldByTitles.emplace(titles, before.ids.at(place)).second) repeated.insert(titles);
        for (const std::string& titles : repeated) oldByTitles.erase(titles);
        for (const auto& [place, id] : after.ids) {
            const bool inFresh = std::any_of(c.fresh.begin(), c.fresh.end(), [&](const std::string& top) {
                return place == top || place.starts_with(top + "/");
            });
            if (inFresh) {
                EXPECT_FALSE(oldIds.contains(id)) << place << " should be new";
                continue;
            }
            ASSERT_TRUE(oldIds.contains(id)) << place << " should keep its id";
            // Entries shown alike before keep their ids, wherever they moved.
            const auto same = oldByTitles.find(after.titles.at(place));
            if (same != oldByTitles.end()) {
                EXPECT_EQ(id, same->second) << place;
            }
            // Without a change of layout, every entry keeps the id of its place.
            if (c.layoutChanged.empty()) {
                EXPECT_EQ(id, before.ids.at(place)) << place;
            }
        }
        // Ids of entries gone are not answered for.
        for (const auto& [place, id] : before.ids) {
            if (!placeOf.contains(id)) {
                EXPECT_EQ(layout.find(id), nullptr) << place;
            }
        }
    }
}

TEST(DBusMenuLayout, TheFirstModelAndTheLoadingLineChangeTheLayoutOnlyWhereEntriesCame) {
    DBusMenuLayout layout;
    Shown loading;
    loading.instances.clear();
    loading.loading = true;
    DBusMenuLayout::Changes changes = layout.update(loading.menu());
    EXPECT_EQ(changes.layoutChanged, std::vector<int>{DBusMenuLayout::kRoot});
    EXPECT_TRUE(changes.propertiesChanged.empty());
    const std::vector<int> loadingTop = layout.find(DBusMenuLayout::kRoot)->children;
    const int reload = loadingTop[7];
    EXPECT_EQ(layout.find(reload)->properties.label, "今すぐ更新");

    changes = layout.update(Shown{}.menu());
    EXPECT_EQ(changes.layoutParents(), std::vector<int>{DBusMenuLayout::kRoot});
    const std::vector<int>& listTop = layout.find(DBusMenuLayout::kRoot)->children;
    EXPECT_EQ(listTop[10], reload);
    const DBusMenuProperties& stopped = layout.find(listTop[4])->properties;
    EXPECT_EQ(stopped.label, "db__main & <cache> — stopped");
    EXPECT_EQ(stopped.dot, StateDot::stopped);
    // The list landing only adds entries: every entry of the loading menu stays, in its
    // order. A host that moves no kept entry on a layout update (GNOME's) places the new
    // ones right only so.
    std::vector<int> kept;
    std::copy_if(listTop.begin(), listTop.end(), std::back_inserter(kept),
                 [&](int id) { return std::find(loadingTop.begin(), loadingTop.end(), id) != loadingTop.end(); });
    EXPECT_EQ(kept, loadingTop);
}

}  // namespace
}  // namespace tamsel
