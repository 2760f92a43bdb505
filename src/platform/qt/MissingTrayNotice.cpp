#include "platform/qt/MissingTrayNotice.h"

#include <QPushButton>

#include "platform/qt/AlertDialog.h"

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
    const QString title = "システムトレイが見つかりません";
    const QString body =
        "Orvane for Mac のアイコンとメニューは、デスクトップのシステムトレイ（通知領域）に表示されます。"
        "このデスクトップには、まだシステムトレイがありません。\n\n"
        "GNOME では、AppIndicator 拡張機能（Debian・Ubuntu のパッケージ gnome-shell-extension-appindicator）を"
        "インストールして有効にしてください。ほかのデスクトップでは、パネルにシステムトレイ（通知領域）を追加してください。\n\n"
        "Orvane for Mac は起動したままです。トレイが現れると、そこにアイコンを表示します。";
    auto* box = new AlertDialog(QStyle::SP_MessageBoxInformation, title, body);
    box->setObjectName("missingTrayNotice");
    box->setWindowTitle("Orvane for Mac");
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
