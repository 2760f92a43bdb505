#pragma once
// One QApplication for the Qt adapter tests, on the offscreen platform, with HOME and the
// XDG folders in a private temporary folder so nothing of the user's is read or written.

#include <QApplication>
#include <cstdlib>

#include "support/TempDir.h"

namespace tamsel::test {

inline QApplication& qtApp() {
    static TempDir home;
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("HOME", home.path().c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            setenv(name, (home.path() / name).c_str(), 1);
        std::filesystem::create_directories(home.path() / "runtime");
        std::filesystem::permissions(home.path() / "runtime", std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (home.path() / "runtime").c_str(), 1);
        static int argc = 1;
        static char name[] = "unit_platform";
        static char* argv[] = {name, nullptr};
        // Never destroyed: Qt must not be torn down during static destruction.
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace tamsel::test
