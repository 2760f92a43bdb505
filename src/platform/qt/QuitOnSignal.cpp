#include "platform/qt/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tamsel {
namespace {

// The handler may only write to a pipe; the event loop reads the other end.
int signalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // default actions stay
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
    // A signal after the event loop has gone ends the process the usual way.
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
}

}  // namespace tamsel
