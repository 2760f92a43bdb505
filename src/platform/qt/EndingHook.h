#pragma once
// Ends the aws calls under way, each child with its whole process group, whichever way the
// process ends, so that nothing it started (a hung call, a sign-in waiting in the browser)
// lives on without it:
//
// - the event loop returns ("終了", or SIGTERM/SIGHUP/SIGINT through QuitOnSignal): main
//   calls endChildren(), and forceExitAfter() bounds the rest of the way out;
// - exit() from within Qt: the xcb plugin calls exit(1) when the X connection breaks (the
//   X server ended at logout). The handler installed with atexit() runs on that thread
//   before the static objects go, while other threads still run;
// - Qt's Wayland plugin, when its connection breaks, warns and then calls _exit(1), which
//   runs no handler: its warning is the last moment, so the message handler ends the
//   children on it;
// - a fatal Qt message: the message handler ends the children before Qt aborts.
//
// Each ending gives the children kGrace after SIGTERM, then SIGKILL; none waits longer.

#include <chrono>

namespace tamsel {

class EndingHook final {
public:
    // How long the children have to end after SIGTERM before they get SIGKILL.
    static constexpr std::chrono::milliseconds kGrace{1000};

    // Installs the exit handler and the message handler (chained to the one installed
    // before) for the rest of the process. Call once, after the QApplication is made, on
    // the main thread, before any child can be started.
    static void install();

    // Ends the children under way now and refuses later ones; takes at most kGrace and a
    // moment.
    static void endChildren();

    // Arms a thread that after `delay` ends the children at once (SIGKILL to what is left)
    // and then the process with `status`, whatever the other threads are doing then.
    static void forceExitAfter(std::chrono::milliseconds delay, int status);

    EndingHook() = delete;
};

}  // namespace tamsel
