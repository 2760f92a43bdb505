#include "platform/qt/DesktopSessionCheck.h"

#include <QMessageLogContext>
#include <QString>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <vector>

#include "platform/PlatformWording.h"

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
    return value && *value ? value : platformWords::kUnset;
}

// The platform plugin Qt said it could not find (qt.qpa.plugin: Could not find the Qt
// platform plugin "NAME" in "..."), or empty. Called with heldMutex locked.
QString missingPlugin() {
    static const QString prefix = QStringLiteral("Could not find the Qt platform plugin \"");
    for (const HeldMessage& message : held) {
        if (!message.text.startsWith(prefix)) continue;
        const qsizetype end = message.text.indexOf(u'"', prefix.size());
        if (end > prefix.size()) return message.text.mid(prefix.size(), end - prefix.size());
    }
    return {};
}

// The Debian package that ships the platform plugin `name` (Qt 6 on Debian 12).
std::string pluginPackage(const QString& name) { return name.startsWith(u"wayland") ? "qt6-wayland" : "libqt6gui6"; }

[[noreturn]] void endForNoDisplay() {
    QString plugin;
    {
        const std::lock_guard lock(heldMutex);
        plugin = missingPlugin();
    }
    if (!plugin.isEmpty()) {
        // A session whose display only a missing plugin could open: the user is in a desktop
        // session, what is missing is a package.
        std::cerr << platformWords::missingPlatformPlugin(plugin.toStdString(), variable("WAYLAND_DISPLAY"),
                                                          variable("DISPLAY"), pluginPackage(plugin))
                  << '\n';
    } else {
        std::cerr << platformWords::noDesktopSession(variable("DISPLAY"), variable("WAYLAND_DISPLAY")) << '\n';
    }
    std::_Exit(1);
}

void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) endForNoDisplay();
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
