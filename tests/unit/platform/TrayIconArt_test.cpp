#include "platform/qt/TrayIconArt.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

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

TEST_F(TrayIconArtTest, BothIconsAreCompiledInAtEveryTraySize) {
    for (const char* name : {"MenuBarIcon", "MenuBarIconRunning"}) {
        const QIcon icon = bundledIcon(name);
        ASSERT_FALSE(icon.isNull()) << name;
        for (int size : {16, 22, 24, 32, 48})
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << name << size;
    }
    EXPECT_NE(picture(bundledIcon("MenuBarIcon"), 22), picture(bundledIcon("MenuBarIconRunning"), 22));
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
