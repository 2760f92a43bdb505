#pragma once
// Ends the event loop in order when the session asks the process to go (SIGTERM at
// logout, SIGHUP, SIGINT), as choosing "終了" does, so that the quitting steps run.

#include <QObject>

class QSocketNotifier;

namespace tamsel {

class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; at most one instance per process.
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tamsel
