#include "platform/qt/EndingHook.h"

#include <QString>
#include <QtGlobal>
#include <cstdlib>
#include <thread>

#include "bridge/ChildProcess.h"

namespace tamsel {
namespace {

QtMessageHandler previousHandler = nullptr;

// What Qt's Wayland plugin (Qt 6.4) says right before it calls _exit(1).
bool isLastWordsOfWayland(const QString& text) {
    return text.startsWith(QLatin1String("The Wayland connection broke")) ||
           text.startsWith(QLatin1String("The Wayland connection experienced a fatal error"));
}

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg || (type == QtWarningMsg && isLastWordsOfWayland(text))) EndingHook::endChildren();
    if (previousHandler) previousHandler(type, context, text);
}

void onExit() { EndingHook::endChildren(); }

}  // namespace

void EndingHook::install() {
    std::atexit(onExit);
    previousHandler = qInstallMessageHandler(onMessage);
}

void EndingHook::endChildren() { endRunningProcesses(kGrace); }

void EndingHook::forceExitAfter(std::chrono::milliseconds delay, int status) {
    std::thread([delay, status] {
        std::this_thread::sleep_for(delay);
        endRunningProcesses(std::chrono::milliseconds(0));
        std::_Exit(status);
    }).detach();
}

}  // namespace tamsel
