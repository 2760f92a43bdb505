#include "platform/xdg/AutostartEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "support/TempDir.h"

namespace tamsel {
namespace {

using test::readFile;
using test::TempDir;

namespace fs = std::filesystem;

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AutostartEntry, EnableWritesAnEntryThatStartsTheProgramAndDisableRemovesOnlyIt) {
    TempDir dir;
    AutostartEntry entry(dir.path(), "/usr/bin/orvane");
    dir.write("autostart/other.desktop", "[Desktop Entry]\nName=Other\n");
    EXPECT_FALSE(entry.isEnabled());

    entry.enable();
    EXPECT_EQ(entry.file(), dir.path() / "autostart" / "orvane.desktop");
    EXPECT_TRUE(entry.isEnabled());
    const std::string text = readFile(entry.file());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    for (const char* line : {"\nType=Application\n", "\nName=Orvane for Mac\n", "\nExec=/usr/bin/orvane\n",
                             "\nX-GNOME-Autostart-enabled=true\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(filesIn(dir.path() / "autostart"), (std::vector<std::string>{"orvane.desktop", "other.desktop"}));

    entry.enable();  // again: replaced, still one file
    EXPECT_EQ(filesIn(dir.path() / "autostart"), (std::vector<std::string>{"orvane.desktop", "other.desktop"}));

    entry.disable();
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_EQ(filesIn(dir.path() / "autostart"), std::vector<std::string>{"other.desktop"});
    EXPECT_NO_THROW(entry.disable());  // nothing left to remove
}

TEST(AutostartEntry, WrittenEntryIsValidForDesktopTools) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed (scripts/setup installs it)";
    TempDir dir;
    AutostartEntry entry(dir.path(), "/opt/My Apps/100% $HOME/orvane");
    entry.enable();
    const std::string command = "desktop-file-validate '" + entry.file().string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    EXPECT_EQ(::pclose(pipe), 0) << output;
    EXPECT_EQ(output, "");
}

struct StatusCase {
    const char* name;
    const char* content;
    bool enabled;
};

class AutostartStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(AutostartStatus, FollowsTheSwitchesInTheEntry) {
    TempDir dir;
    dir.write("autostart/orvane.desktop", GetParam().content);
    EXPECT_EQ(AutostartEntry(dir.path(), "/usr/bin/orvane").isEnabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutostartStatus,
    testing::Values(StatusCase{"Plain", "[Desktop Entry]\nType=Application\nExec=orvane\n", true},
                    StatusCase{"Empty", "", true},
                    StatusCase{"Hidden", "[Desktop Entry]\nExec=orvane\nHidden=true\n", false},
                    StatusCase{"HiddenSpaced", "[Desktop Entry]\nHidden = true\n", false},
                    StatusCase{"HiddenFalse", "[Desktop Entry]\nHidden=false\n", true},
                    StatusCase{"HiddenInOtherGroup", "[Desktop Entry]\nExec=orvane\n[Desktop Action x]\nHidden=true\n",
                               true},
                    StatusCase{"GnomeOff", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExecCase {
    const char* program;
    const char* exec;
};

class DesktopExecValue : public testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExecValue, QuotesAndEscapesAsDesktopEntriesRequire) {
    EXPECT_EQ(desktopExecValue(GetParam().program), GetParam().exec);
}

INSTANTIATE_TEST_SUITE_P(Cases, DesktopExecValue,
                         testing::Values(ExecCase{"/usr/bin/orvane", "/usr/bin/orvane"},
                                         ExecCase{"/opt/My Apps/orvane", R"("/opt/My Apps/orvane")"},
                                         ExecCase{"/opt/a$b/orvane", R"("/opt/a\\$b/orvane")"},
                                         ExecCase{"/opt/a\"b/orvane", R"("/opt/a\\"b/orvane")"},
                                         ExecCase{"/opt/a`b/orvane", R"("/opt/a\\`b/orvane")"},
                                         ExecCase{"/opt/a\\b/orvane", R"("/opt/a\\\\b/orvane")"},
                                         ExecCase{"/opt/it's/orvane", R"("/opt/it's/orvane")"},
                                         ExecCase{"/opt/100%/orvane", "/opt/100%%/orvane"},
                                         ExecCase{"/opt/ツール/orvane", "/opt/ツール/orvane"}));

TEST(DesktopExecValue, RefusesControlCharacters) {
    EXPECT_THROW(desktopExecValue("/opt/a\nb/orvane"), std::runtime_error);
    EXPECT_THROW(desktopExecValue("/opt/a\tb/orvane"), std::runtime_error);
}

// Root ignores permissions, so the failures are made with files where folders belong.
TEST(AutostartEntry, EnableFailureThrowsAClearErrorAndLeavesNothingBehind) {
    {
        TempDir dir;
        dir.write("autostart", "a file where the folder belongs");
        AutostartEntry entry(dir.path(), "/usr/bin/orvane");
        try {
            entry.enable();
            FAIL() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("ログイン項目"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find((dir.path() / "autostart").string()), std::string::npos)
                << error.what();
        }
        EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"autostart"});
    }
    {
        TempDir dir;
        dir.write("autostart/orvane.desktop/keep", "");  // a folder in the file's place: the rename fails
        AutostartEntry entry(dir.path(), "/usr/bin/orvane");
        try {
            entry.enable();
            FAIL() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("ログイン項目を書き込めませんでした"), std::string::npos)
                << error.what();
            EXPECT_NE(std::string(error.what()).find(std::strerror(EISDIR)), std::string::npos) << error.what();
        }
        EXPECT_EQ(filesIn(dir.path() / "autostart"), std::vector<std::string>{"orvane.desktop"});
    }
}

TEST(AutostartEntry, EnableRefusesAnUnknownProgram) {
    TempDir dir;
    AutostartEntry entry(dir.path(), "");
    EXPECT_THROW(entry.enable(), std::runtime_error);
    EXPECT_FALSE(fs::exists(dir.path() / "autostart" / "orvane.desktop"));
}

TEST(AutostartEntry, DisableFailureThrows) {
    TempDir dir;
    dir.write("autostart/orvane.desktop/keep", "");
    EXPECT_THROW(AutostartEntry(dir.path(), "/usr/bin/orvane").disable(), std::runtime_error);
}

// Sets an environment variable for one scope and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserConfigHome, UsesAnAbsoluteXdgConfigHomeElseTheHomeFolder) {
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/tmp/conf");
        EXPECT_EQ(userConfigHome(), fs::path("/tmp/conf"));
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/conf");
        EXPECT_EQ(userConfigHome(), fs::path("/home/someone/.config"));
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(userConfigHome(), fs::path("/home/someone/.config"));
    }
}

}  // namespace
}  // namespace tamsel
