#pragma once
// A small window that tells the user, once, that the desktop has no system tray to show
// the icon in, and what to install. It does not block: the application keeps running and
// shows its icon as soon as a tray appears, which also closes the notice.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

namespace tamsel {

class AlertDialog;

class MissingTrayNotice final : public QObject {
    Q_OBJECT
public:
    MissingTrayNotice();
    ~MissingTrayNotice() override;

    // Shows the notice after `delay`, unless dismissed before.
    void showAfter(std::chrono::milliseconds delay);
    // A tray is there: the notice is not shown, or closes.
    void dismiss();

private:
    void show();

    QTimer delay_;
    QPointer<AlertDialog> box_;
};

}  // namespace tamsel
