#include "platform/qt/WatcherRegistration.h"

#include <gtest/gtest.h>

namespace tamsel {
namespace {

// Watchers write the items they list in their own ways; an item taken for unlisted is
// registered again and again (GNOME's extension rebuilds its icon each time).
TEST(WatcherRegistration, TheItemIsFoundInEachWatchersWayOfListingIt) {
    const QString service = "org.kde.StatusNotifierItem-42-1";
    const QString connection = ":1.7";
    const std::vector<std::pair<QStringList, bool>> cases = {
        {{"org.kde.StatusNotifierItem-42-1"}, true},                                                // GNOME's extension
        {{":1.3/StatusNotifierItem", "org.kde.StatusNotifierItem-42-1/StatusNotifierItem"}, true},  // kded
        {{":1.7/StatusNotifierItem"}, true},
        {{":1.7@/StatusNotifierItem"}, true},
        {{"org.kde.StatusNotifierItem-42-10", ":1.70/StatusNotifierItem"}, false},
        {{"org.kde.StatusNotifierItem-4-1"}, false},
        {{}, false},
    };
    for (const auto& [items, listed] : cases)
        EXPECT_EQ(watcherListsItem(items, service, connection), listed) << items.join(' ').toStdString();
}

}  // namespace
}  // namespace tamsel
