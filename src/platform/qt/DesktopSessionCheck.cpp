#include "platform/qt/DesktopSessionCheck.h"

#include <QMessageLogContext>
#include <QString>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <vector>

namespace tamsel {
namespace {

struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};

std::mutex heldMutex;
std::vector<HeldMessage> held;
QtMessageHandler previous = nullptr;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : "（未設定）";
}

void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::cerr << "orvane: デスクトップのセッションが必要です。ディスプレイに接続できません（DISPLAY="
                  << variable("DISPLAY") << "、WAYLAND_DISPLAY=" << variable("WAYLAND_DISPLAY")
                  << "）。デスクトップにログインしてから起動してください。" << std::endl;
        std::_Exit(1);
    }
    const std::lock_guard lock(heldMutex);
    held.push_back({type, QString::fromUtf8(context.category ? context.category : ""), text});
}

}  // namespace

DesktopSessionCheck::DesktopSessionCheck() { previous = qInstallMessageHandler(hold); }

DesktopSessionCheck::~DesktopSessionCheck() {
    qInstallMessageHandler(previous);
    std::vector<HeldMessage> messages;
    {
        const std::lock_guard lock(heldMutex);
        messages.swap(held);
    }
    for (const HeldMessage& message : messages) {
        const QByteArray category = message.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.isEmpty() ? nullptr : category.constData());
        qt_message_output(message.type, context, message.text);
    }
}

}  // namespace tamsel
