#include "platform/qt/QtAlerts.h"

#include <algorithm>

#include <QPushButton>

#include "platform/PlatformWording.h"
#include "platform/qt/AlertDialog.h"
#include "platform/qt/MFACodeDialog.h"

namespace tamsel {

int QtAlerts::run(const Alert& alert) {
    AlertDialog box(QStyle::SP_MessageBoxWarning, QString::fromStdString(alert.title),
                    QString::fromStdString(alert.body));
    box.setObjectName("alert");
    box.setWindowTitle(QString::fromStdString(platformWords::appName()));
    box.setModal(true);

    const std::vector<std::string> titles = alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        // The first button answers yes; any later one (e.g. "キャンセル") is a way out.
        box.addButton(QString::fromStdString(titles[i]),
                      i == 0 ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
    }
    const std::vector<QPushButton*>& buttons = box.buttons();
    buttons.front()->setDefault(true);
    // Escape chooses the only button, or the only way out; with several ways out, none.
    if (buttons.size() <= 2) box.setEscapeButton(buttons.back());

    if (alert.bringToFront) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();

    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

std::optional<std::string> QtAlerts::ask(const CodeQuestion& question) {
    MFACodeDialog dialog(question);
    dialog.setModal(true);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.code().toStdString();
}

}  // namespace tamsel
