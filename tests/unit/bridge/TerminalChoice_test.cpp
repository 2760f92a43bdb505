#include "bridge/TerminalChoice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "bridge/DetachedLaunch.h"
#include "bridge/ProcessFailure.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using Variables = std::map<std::string, std::string>;

using test::readFile;
using test::TempDir;
using test::writeTool;
using Strings = std::vector<std::string>;

TEST(TerminalChoice, TakesTheFirstTerminalThereInOrderWithTheArgumentsItTakesACommandBy) {
    const Strings command{"ssh", "ec2-user@ec2-1-2-3-4.compute.amazonaws.com"};
    const auto with = [&](Strings arguments) {
        arguments.insert(arguments.end(), command.begin(), command.end());
        return arguments;
    };
    const struct {
        Strings installed;
        std::optional<std::string> terminalVariable;
        std::string chosen;  // empty: none
        Strings arguments;
    } cases[] = {
        {{"xterm", "konsole", "xdg-terminal-exec", "x-terminal-emulator"}, "konsole", "xdg-terminal-exec", with({})},
        {{"xterm", "alacritty", "x-terminal-emulator"}, "alacritty", "alacritty", with({"-e"})},
        {{"xterm", "gnome-terminal"}, "gnome-terminal", "gnome-terminal", with({"--"})},
        // A TERMINAL that is not there is passed over.
        {{"xterm", "x-terminal-emulator"}, "missing", "x-terminal-emulator", with({"-e"})},
        {{"xterm", "konsole", "gnome-terminal"}, std::nullopt, "gnome-terminal", with({"--"})},
        {{"xterm", "xfce4-terminal", "konsole"}, std::nullopt, "konsole", with({"-e"})},
        {{"xterm", "xfce4-terminal"}, std::nullopt, "xfce4-terminal", with({"-x"})},
        {{"xterm"}, "", "xterm", with({"-e"})},
        {{"ssh"}, std::nullopt, "", {}},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        for (const auto& name : c.installed) writeTool(dir, "bin/" + name, "exit 0");
        Environment environment(Variables{{"PATH", (dir / "bin").string()}});
        if (c.terminalVariable) environment.set("TERMINAL", *c.terminalVariable);
        const auto terminal = terminalFor(command, environment);
        if (c.chosen.empty()) {
            EXPECT_EQ(terminal, std::nullopt) << c.installed.front();
        } else {
            EXPECT_EQ(terminal, (ProgramCall{(dir / "bin" / c.chosen).string(), c.arguments})) << c.chosen;
        }
    }
}

TEST(DetachedLaunch, TheProgramRunsInASessionOfItsOwnWithTheEnvironmentAndNoDescriptorOfOurs) {
    const TempDir dir;
    const auto done = dir / "done";
    ASSERT_EQ(mkfifo(done.c_str(), 0600), 0);
    // A descriptor of ours that a child would inherit unless every one is closed.
    const int ours = open("/dev/null", O_RDONLY);
    ASSERT_GE(ours, 3);
    const std::string fd = std::to_string(ours);
    const auto terminal = writeTool(dir, "terminal",
                                    "{ printf '%s\\n' \"$@\"; echo \"$AWS_PROFILE\"; "
                                    "[ -e /proc/self/fd/" +
                                        fd +
                                        " ] && echo inherited; "
                                        "cut -d' ' -f6 /proc/$$/stat; } > " +
                                        (dir / "record").string() + "\necho > " + done.string());

    launchDetached(terminal.string(), {"-e", "ssh", "a b"}, Environment(Variables{{"AWS_PROFILE", "dev"}}));
    // Opening the pipe waits for the program to open its end: no sleep, no polling.
    std::ifstream(done) >> std::noskipws;
    close(ours);

    // The arguments, the variable, then the session (no line says "inherited").
    std::vector<std::string> lines;
    std::istringstream record(readFile(dir / "record"));
    for (std::string line; std::getline(record, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(Strings(lines.begin(), lines.begin() + 4), (Strings{"-e", "ssh", "a b", "dev"}));
    EXPECT_NE(lines[4], std::to_string(getsid(0)));

    EXPECT_THROW(launchDetached((dir / "missing").string(), {}, Environment()), ProcessFailure);
}

}  // namespace
}  // namespace tamsel
