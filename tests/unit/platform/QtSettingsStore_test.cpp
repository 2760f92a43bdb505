#include "platform/qt/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>
#include <functional>
#include <system_error>

#include "QtTestApp.h"
#include "app/AppSettings.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using test::readFile;
using test::TempDir;

using StringMap = std::map<std::string, std::string>;

class QtSettingsStoreTest : public testing::Test {
protected:
    void SetUp() override { test::qtApp(); }

    // A store reading the INI text `content`.
    QtSettingsStore storeWith(const std::string& content) {
        return QtSettingsStore(QString::fromStdString(dir.write("orvane.conf", content).string()));
    }
    QtSettingsStore store() { return QtSettingsStore(QString::fromStdString((dir / "orvane.conf").string())); }

    TempDir dir;
};

struct TextCase {
    const char* name;
    const char* ini;
    std::optional<std::string> profile;
};

class SettingsText : public QtSettingsStoreTest, public testing::WithParamInterface<TextCase> {};

TEST_P(SettingsText, ReadsOnlyStoredText) {
    EXPECT_EQ(storeWith(GetParam().ini).string("profile"), GetParam().profile);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsText,
                         testing::Values(TextCase{"Text", "[General]\nprofile=dev\n", "dev"},
                                         TextCase{"Japanese", "[General]\nprofile=開発\n", "開発"},
                                         TextCase{"QuotedComma", "[General]\nprofile=\"a, b\"\n", "a, b"},
                                         TextCase{"Number", "[General]\nprofile=12\n", "12"},
                                         TextCase{"Absent", "[General]\nregion=us-east-1\n", std::nullopt},
                                         TextCase{"List", "[General]\nprofile=a, b\n", std::nullopt},
                                         TextCase{"Map", "[General]\nprofile=@Variant(\\0\\0\\0\\b\\0\\0\\0\\0)\n",
                                                  std::nullopt},
                                         TextCase{"Group", "[profile]\nname=dev\n", std::nullopt},
                                         TextCase{"NoSection", "profile\n===\n[\n", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtSettingsStoreTest, GarbageFileReadsAsEmptyWithoutCrashing) {
    std::string garbage =
        "\x01\xff\xfe[[[]]\0\0=\x80\x80@Variant(\xff\xff\xff\xff\x7f)\nprofile=@Variant("
        "\\0\\0\\0\\x1c\\0\\0\\0\\xff\\xff)\n";
    garbage.append(std::string("\0\0\0", 3));
    QtSettingsStore store = storeWith(garbage);
    EXPECT_EQ(store.string("profile"), std::nullopt);
    EXPECT_EQ(store.stringMap("ingressLockGroups"), std::nullopt);
    EXPECT_EQ(store.setString("region", "eu-west-1"), std::nullopt);  // what was read does not fail the write
    EXPECT_EQ(this->store().string("region"), "eu-west-1");
}

TEST_F(QtSettingsStoreTest, AWriteTheFileDoesNotTakeIsReportedWithTheSystemsReason) {
    const struct {
        const char* what;
        std::string file;                           // within dir
        std::function<void(const TempDir&)> block;  // makes it unwritable
        int error;
    } cases[] = {
        {"the file is a folder", "conf/orvane.conf",
         [](const TempDir& d) { std::filesystem::create_directories(d / "conf/orvane.conf"); }, EISDIR},
        {"a file where the folder should be", "plain/orvane/orvane.conf",
         [](const TempDir& d) { d.write("plain/orvane", "not a folder"); }, ENOTDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = (dir / c.file).string();
        c.block(dir);
        QtSettingsStore store(QString::fromStdString(file));
        const Failure expected = Failure::settingsNotSaved(file, std::generic_category().message(c.error));
        EXPECT_EQ(store.setString("profile", "dev"), expected);
        EXPECT_EQ(store.setStringMap("ingressLockGroups", {{"i-1", "sg-1"}}), expected);

        // Once the file can be written, the next write succeeds.
        std::filesystem::remove_all(dir / std::filesystem::path(c.file).begin()->string());
        EXPECT_EQ(store.setString("region", "eu-west-1"), std::nullopt);
        EXPECT_EQ(QtSettingsStore(QString::fromStdString(file)).string("region"), "eu-west-1");
    }
}

TEST_F(QtSettingsStoreTest, TextIsStoredAtOnceAndRemovedByAbsent) {
    store().setString("profile", "dev");
    store().setString("region", "ap-northeast-1");
    EXPECT_EQ(store().string("profile"), "dev");  // a fresh store reads the file

    store().setString("profile", std::nullopt);
    EXPECT_EQ(store().string("profile"), std::nullopt);
    EXPECT_EQ(readFile(dir / "orvane.conf").find("profile"), std::string::npos);
    EXPECT_EQ(store().string("region"), "ap-northeast-1");
}

TEST_F(QtSettingsStoreTest, MappingRoundTripsAsLinesAPersonCanReadAndAnEmptyOneLeavesNoEntry) {
    store().setStringMap("ingressLockGroups", {{"i-1", "sg-1"}, {"i-2", "sg-2"}});
    EXPECT_EQ(store().stringMap("ingressLockGroups"), (StringMap{{"i-1", "sg-1"}, {"i-2", "sg-2"}}));
    EXPECT_EQ(store().string("ingressLockGroups"), std::nullopt);
    EXPECT_NE(readFile(dir / "orvane.conf").find("[ingressLockGroups]\ni-1=sg-1\ni-2=sg-2\n"), std::string::npos);

    store().setStringMap("ingressLockGroups", {});
    EXPECT_EQ(store().stringMap("ingressLockGroups").value_or(StringMap{}), StringMap{});
    EXPECT_EQ(readFile(dir / "orvane.conf").find("i-1"), std::string::npos);
}

TEST_F(QtSettingsStoreTest, FavouritesOfEachProfileAndRegionAreReadableLinesThatReadBack) {
    // The defaults, names with the characters a key treats apart, and a name of another script.
    const std::vector<CallTarget> targets = {
        {std::nullopt, std::nullopt}, {"work", "us-east-1"}, {"a/b.c", std::nullopt}, {"開発%2F", "eu-west-1"}};
    {
        QtSettingsStore file = store();
        AppSettings settings(file);
        for (std::size_t i = 0; i < targets.size(); ++i) {
            EXPECT_EQ(settings.setFavourite(targets[i], "i-" + std::to_string(i), true), std::nullopt);
            EXPECT_EQ(settings.setFavourite(targets[i], "i-x", true), std::nullopt);
        }
        EXPECT_EQ(settings.setFavouritesOnly(true), std::nullopt);
    }
    const std::string text = readFile(dir / "orvane.conf");
    EXPECT_NE(text.find("[favourites]\n.=i-0 i-x\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nwork.us-east-1=i-1 i-x\n"), std::string::npos) << text;
    EXPECT_NE(text.find("favouritesOnly=true\n"), std::string::npos) << text;

    QtSettingsStore file = store();
    AppSettings settings(file);
    for (std::size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(settings.favourites(targets[i]), (std::set<std::string>{"i-" + std::to_string(i), "i-x"})) << i;
    EXPECT_TRUE(settings.favouritesOnly());
    EXPECT_EQ(settings.favourites({"a", "b.c"}), std::set<std::string>{});
}

TEST_F(QtSettingsStoreTest, AMappingInTheEarlierBinaryFormIsReadAndRewrittenAsText) {
    // As an earlier version left it: the whole mapping in one value, Qt's binary form with
    // UTF-16 text.
    const std::string booking = R"({"at":"2026-12-08T06:30:00Z","name":"ウェブ","region":"ap-northeast-1"})";
    QtSettingsStore old = storeWith(R"ini([General]
region=ap-northeast-1
stopBookings="@Variant(\0\0\0\b\0\0\0\x1\0\0\0\f\0i\0-\0\x30\0\x61\0\x62\0\x63\0\0\0\n\0\0\0\x88\0{\0\"\0\x61\0t\0\"\0:\0\"\0\x32\0\x30\0\x32\0\x36\0-\0\x31\0\x32\0-\0\x30\0\x38\0T\0\x30\0\x36\0:\0\x33\0\x30\0:\0\x30\0\x30\0Z\0\"\0,\0\"\0n\0\x61\0m\0\x65\0\"\0:\0\"0\xa6\x30\xa7\x30\xd6\0\"\0,\0\"\0r\0\x65\0g\0i\0o\0n\0\"\0:\0\"\0\x61\0p\0-\0n\0o\0r\0t\0h\0\x65\0\x61\0s\0t\0-\0\x31\0\"\0})"
)ini");
    const auto read = old.stringMap("stopBookings");
    EXPECT_EQ(read, (StringMap{{"i-0abc", booking}}));

    EXPECT_EQ(old.setStringMap("stopBookings", read.value_or(StringMap{})), std::nullopt);
    const std::string file = readFile(dir / "orvane.conf");
    EXPECT_EQ(file.find("@Variant"), std::string::npos) << file;
    EXPECT_NE(file.find(R"(i-0abc="{\"at\":\"2026-12-08T06:30:00Z\",\"name\":\"ウェブ\",)"), std::string::npos) << file;
    EXPECT_EQ(store().stringMap("stopBookings"), (StringMap{{"i-0abc", booking}}));
    EXPECT_EQ(store().string("region"), "ap-northeast-1");
}

TEST_F(QtSettingsStoreTest, MappingIsAbsentWhenItIsNoMappingOrHoldsNonText) {
    const QString file = QString::fromStdString((dir / "orvane.conf").string());
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue("text", "sg-1");
        raw.setValue("numbers", QVariantMap{{"i-1", "sg-1"}, {"i-2", 2}});
        raw.setValue("nested", QVariantMap{{"i-1", QVariantMap{{"a", "b"}}}});
        raw.setValue("list", QStringList{"i-1", "sg-1"});
    }
    for (const char* key : {"text", "numbers", "nested", "list", "absent"})
        EXPECT_EQ(store().stringMap(key), std::nullopt) << key;
}

}  // namespace
}  // namespace tamsel
