#include "platform/qt/TrayIconArt.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <QImage>

#include "QtTestApp.h"

namespace tamsel {
namespace {

QImage picture(const QIcon& icon, int size) {
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Whether any pixel of `image` is clearly red (the error badge; the icons themselves are grey).
bool hasRed(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128 && c.red() > 150 && c.green() < 90 && c.blue() < 90) return true;
        }
    return false;
}

class TrayIconArtTest : public testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
};

TEST_F(TrayIconArtTest, EveryStateHasArtOfItsOwnAtEveryTraySize) {
    // Idle, running, and each with the error badge: the icon shown and its theme name.
    const StatusButton buttons[] = {{"MenuBarIcon", "", ""},
                                    {"MenuBarIconRunning", "", ""},
                                    {"MenuBarIcon", " !", ""},
                                    {"MenuBarIconRunning", " !", ""}};
    std::set<QString> names;
    std::vector<QImage> drawn;
    for (const StatusButton& button : buttons) {
        const QIcon icon = trayIcon(button);
        for (int size : {16, 22, 24, 32, 44, 48, 64})
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << button.imageName << button.title << size;
        names.insert(themeIconName(button));
        drawn.push_back(picture(icon, 22));
        for (size_t other = 0; other + 1 < drawn.size(); ++other) EXPECT_NE(drawn[other], drawn.back()) << other;
    }
    EXPECT_EQ(names, (std::set<QString>{"orvane-idle", "orvane-running", "orvane-failed", "orvane-running-failed"}));
    EXPECT_TRUE(bundledIcon("NoSuchIcon").isNull());
    // Reading them loads no image-format plugin (each costs resident memory for good).
    std::ifstream maps("/proc/self/maps");
    const std::string mapped((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    EXPECT_EQ(mapped.find("/imageformats/"), std::string::npos);
}

TEST_F(TrayIconArtTest, TheErrorMarkerIsABadgeOnTheIcon) {
    const QIcon image = bundledIcon("MenuBarIcon");
    EXPECT_FALSE(hasRed(picture(trayIcon({"MenuBarIcon", "", ""}, image), 22)));
    for (int size : {16, 22, 24})
        EXPECT_TRUE(hasRed(picture(trayIcon({"MenuBarIcon", " !", ""}, image), size))) << size;
}

TEST_F(TrayIconArtTest, WithoutAPictureTheTitleOrEC2IsDrawn) {
    const QImage plain = picture(trayIcon({"NoSuchIcon", "", ""}, QIcon()), 22);
    const QImage error = picture(trayIcon({"NoSuchIcon", " !", ""}, QIcon()), 22);
    EXPECT_FALSE(plain.isNull());
    EXPECT_NE(plain, error);
    QImage blank(22, 22, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    EXPECT_NE(plain, blank);
}

}  // namespace
}  // namespace tamsel
