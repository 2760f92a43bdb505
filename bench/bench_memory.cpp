// Resident size of the application, run in-process with the real controller and adapters
// against a fast fake aws tool: after the menu has been opened with 50 instances (while it
// is open, and once it has been closed long enough to give back its windows), and its
// growth over 500 refreshes, each started by opening the menu as a click on the icon does.
// Goals: at most 40 MiB after the menu opened, growth under 1 MiB over the 500 refreshes.
//
//   bench_memory [--instances N] [--refreshes N] [--breakdown N] [--name-length N] [--long-name N]
//
// --breakdown N lists the N mappings with the most resident memory once the menu opened,
// and the N that grew most from before the first opening to once it had been closed.
// --name-length N pads every instance name to N characters, --long-name N makes the first
// one N characters long: the sizes of a long list, and of a list with wide names, come from
// `--refreshes 0` with these.
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb).

#include <cstdio>
#include <string>

#include "InProcessApp.h"
#include "platform/qt/ReleasingMenu.h"
#include "Options.h"

using namespace std::chrono_literals;
using namespace tamsel::bench;

namespace {

// VmRSS counts every page mapped in, shared ones (libraries, fonts) included; the
// anonymous part is this process's own (heap, stacks, relocated library data).
void report(const char* when) {
    std::printf("%-34s VmRSS %6.2f MiB  (anon %5.2f, file %5.2f)  load %.2f\n", when, statusKiB("VmRSS") / 1024.0,
                statusKiB("RssAnon") / 1024.0, statusKiB("RssFile") / 1024.0, loadAverage());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int instances = 50;
    int refreshes = 500;
    int top = 0;
    int nameLength = 0;
    int longName = 0;
    if (!readOptions(argc, argv,
                     {{"--instances", &instances},
                      {"--refreshes", &refreshes},
                      {"--breakdown", &top},
                      {"--name-length", &nameLength},
                      {"--long-name", &longName}}))
        return 2;

    PrivateHome home;
    quietOffscreenPlatform();
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const auto tool = listingTool(instances, nameLength, longName);
    {
        InProcessApp app(home.dir(), *tool);
        std::printf("platform %s, %d instances\n", qPrintable(QGuiApplication::platformName()), instances);
        report("started, before the first refresh");
        if (!app.launch(30s) || app.delegate().instances().size() != static_cast<size_t>(instances)) {
            std::fprintf(stderr, "the first refresh did not bring the %d instances\n", instances);
            return 1;
        }
        runFor(1s);  // what the landing leaves once the event loop has run on (see below)
        report("first refresh landed");
        const long before = statusKiB("VmRSS");
        const auto mappedBefore = residentByMapping();
        if (!app.openMenuAndWait(30s)) return 1;
        // The menu stays open for a while: read it once the landing has settled, after the
        // adapter has handed the memory the refresh freed back (a long list only; the peak
        // before that is in VmHWM below).
        runFor(1s);
        report("menu opened, its refresh landed");
        const long opened = statusKiB("VmRSS");
        if (top > 0) printResidentByMapping(static_cast<size_t>(top));
        app.closeMenu();

        long afterWarmUp = 0;
        for (int n = 1; n <= refreshes; ++n) {
            if (!app.openMenuAndWait(30s) || app.delegate().lastError()) {
                std::fprintf(stderr, "refresh %d did not land cleanly\n", n);
                return 1;
            }
            app.closeMenu();
            if (n % 50 == 0) report(("after " + std::to_string(n) + " refreshes").c_str());
            if (n == 50) afterWarmUp = statusKiB("VmRSS");
        }
        const long end = statusKiB("VmRSS");
        // Closed for longer than the menus keep their windows: the state the application
        // spends nearly all its time in.
        runFor(tamsel::ReleasingMenu::kKeepClosedWindow + 2s);
        report("menu closed, its windows given back");
        const long idle = statusKiB("VmRSS");
        if (top > 0) {
            std::printf("what the first opening left, by mapping:\n");
            printResidentByMapping(static_cast<size_t>(top), mappedBefore);
        }
        // Once more, from there: what an opening holds while open and gives back when
        // closed, past what the first one loaded for good (fonts, painting code).
        if (!app.openMenuAndWait(30s)) return 1;
        runFor(1s);
        report("menu opened again");
        const long openedAgain = statusKiB("VmRSS");
        app.closeMenu();
        runFor(tamsel::ReleasingMenu::kKeepClosedWindow + 2s);
        report("menu closed again, windows given back");
        const long idleAgain = statusKiB("VmRSS");
        std::printf(
            "\nresident after the menu opened: %.2f MiB while open, %.2f MiB once closed (goal: at most 40 MiB)\n",
            opened / 1024.0, idle / 1024.0);
        std::printf(
            "first opening, before / open / closed: %.2f / %.2f / %.2f MiB (open %+.0f KiB, closed %+.0f KiB)\n",
            before / 1024.0, opened / 1024.0, idle / 1024.0, static_cast<double>(opened - before),
            static_cast<double>(idle - before));
        std::printf(
            "second opening, before / open / closed: %.2f / %.2f / %.2f MiB (open %+.0f KiB, closed %+.0f KiB)\n",
            idle / 1024.0, openedAgain / 1024.0, idleAgain / 1024.0, static_cast<double>(openedAgain - idle),
            static_cast<double>(idleAgain - idle));
        std::printf("growth over %d refreshes:       %+.0f KiB (goal: under 1024 KiB)\n", refreshes,
                    static_cast<double>(end - opened));
        if (refreshes >= 50)
            std::printf("growth from refresh 50 to %d:   %+.0f KiB\n", refreshes,
                        static_cast<double>(end - afterWarmUp));
        std::printf("peak resident (VmHWM):          %.2f MiB\n", statusKiB("VmHWM") / 1024.0);
    }
    return 0;
}
