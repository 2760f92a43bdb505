#include "platform/qt/EndingHook.h"

#include <QString>
#include <QtGlobal>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "bridge/ChildProcess.h"
#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

QtMessageHandler previousHandler = nullptr;

// What Qt's Wayland plugin says right before it calls _exit() (with 1 in Qt 6.4, -1 in Qt 6.8).
bool isLastWordsOfWayland(const QString& text) {
    return text.startsWith(QLatin1String("The Wayland connection broke")) ||
           text.startsWith(QLatin1String("The Wayland connection experienced a fatal error"));
}

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg || (type == QtWarningMsg && isLastWordsOfWayland(text))) EndingHook::endChildren();
    if (previousHandler) previousHandler(type, context, text);
}

void onExit() { EndingHook::endChildren(); }

// Ends the children; says so when they could not be reached (the list stayed busy), as
// they may then outlive the process. Written straight to stderr: this may run inside exit().
void endRunningProcessesOrSay(std::chrono::milliseconds grace) {
    if (endRunningProcesses(grace)) return;
    constexpr const auto& kLine = platformWords::kChildrenNotEnded;
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kLine, sizeof kLine - 1);
}

}  // namespace

void EndingHook::install() {
    std::atexit(onExit);
    previousHandler = qInstallMessageHandler(onMessage);
}

void EndingHook::endChildren() { endRunningProcessesOrSay(kGrace); }

void EndingHook::forceExitAfter(std::chrono::milliseconds delay, int status) {
    std::thread([delay, status] {
        std::this_thread::sleep_for(delay);
        endRunningProcessesOrSay(std::chrono::milliseconds(0));
        std::_Exit(status);
    }).detach();
}

}  // namespace tamsel
