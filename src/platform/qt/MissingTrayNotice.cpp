#include "platform/qt/MissingTrayNotice.h"

#include <QMessageBox>

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
    auto* box = new QMessageBox(QMessageBox::Information, QString::fromStdString(platformWords::appName()), title, QMessageBox::Ok);
    box->setObjectName("missingTrayNotice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(body);
    box->setStyleSheet("QLabel#qt_msgbox_label { font-weight: bold; }");
    box->setAccessibleName(title);
    box->setAccessibleDescription(body);
    box->setModal(false);
    box->show();
    box->raise();
    box->activateWindow();
    box_ = box;
}

}  // namespace tamsel
