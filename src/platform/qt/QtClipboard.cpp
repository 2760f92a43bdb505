#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace tamsel {

void QtClipboard::setText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString value = QString::fromStdString(text);
    clipboard->setText(value, QClipboard::Clipboard);
    if (clipboard->supportsSelection()) clipboard->setText(value, QClipboard::Selection);
}

}  // namespace tamsel
