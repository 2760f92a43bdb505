#include "platform/qt/MissingTrayNotice.h"

#include <QPushButton>

#include "platform/qt/AlertDialog.h"

#include "platform/PlatformWording.h"

namespace tamsel {

MissingTrayNotice::MissingTrayNotice() {
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &MissingTrayNotice::show);
}

MissingTrayNotice::~MissingTrayNotice() { delete box_; }

void MissingTrayNotice::showAfter(std::chrono::milliseconds delay) { delay_.start(delay); }

void MissingTrayNotice::dismiss() {
    delay_.stop();
    if (box_) box_->close();
}

void MissingTrayNotice::show() {
    const QString title = platformWords::kNoTrayTitle;
    const QString body = QString::fromStdString(platformWords::noTrayBody());
    auto* box = new AlertDialog(QStyle::SP_MessageBoxInformation, title, body);
    box->setObjectName("missingTrayNotice");
    box->setWindowTitle(QString::fromStdString(platformWords::appName()));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* ok = box->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    box->setEscapeButton(ok);
    box->setModal(false);
    box->show();
    box->raise();
    box->activateWindow();
    box_ = box;
}

}  // namespace tamsel
