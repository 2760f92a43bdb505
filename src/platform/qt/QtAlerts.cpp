#include "platform/qt/QtAlerts.h"

#include <algorithm>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

// Button texts are shown as given, so an '&' must not turn into a mnemonic.
QString literal(const std::string& text) { return QString::fromStdString(text).replace('&', "&&"); }

}  // namespace

int QtAlerts::run(const Alert& alert) {
    QMessageBox box;
    box.setObjectName("alert");
    box.setWindowTitle(QString::fromStdString(platformWords::appName()));
    box.setIcon(QMessageBox::Warning);
    // Error texts come from the aws tool and may contain '<': never read them as HTML.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(alert.title));
    box.setInformativeText(QString::fromStdString(alert.body));
    if (auto* informative = box.findChild<QLabel*>("qt_msgbox_informativelabel"))
        informative->setTextFormat(Qt::PlainText);
    box.setStyleSheet("QLabel#qt_msgbox_label { font-weight: bold; }");
    box.setAccessibleName(QString::fromStdString(alert.title));
    box.setAccessibleDescription(QString::fromStdString(alert.body));

    std::vector<QPushButton*> buttons;
    const std::vector<std::string> titles = alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        // The first button answers yes; any later one (e.g. "キャンセル") is a way out,
        // which also makes Escape choose it when it is the only one.
        auto* button = box.addButton(literal(titles[i]), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        button->setAccessibleName(QString::fromStdString(titles[i]));
        buttons.push_back(button);
    }
    box.setDefaultButton(buttons.front());

    if (alert.bringToFront) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();

    const auto chosen = std::find(buttons.begin(), buttons.end(), qobject_cast<QPushButton*>(box.clickedButton()));
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

}  // namespace tamsel
