#include "platform/qt/QtSettingsStore.h"

#include <QVariantMap>

#include "platform/qt/SettingsFileProbe.h"

namespace tamsel {
namespace {

QString qKey(const std::string& key) { return QString::fromStdString(key); }

}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(QSettings::NativeFormat, QSettings::UserScope, "orvane", "orvane") {}

QtSettingsStore::QtSettingsStore(const QString& file) : settings_(file, QSettings::IniFormat) {}

std::optional<std::string> QtSettingsStore::string(const std::string& key) const {
    // Only a stored text counts: a hand-edited "a, b" reads back as a list, a mapping as a
    // map, and neither is a profile or region name.
    const QVariant value = settings_.value(qKey(key));
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString().toStdString();
}

std::optional<std::map<std::string, std::string>> QtSettingsStore::stringMap(const std::string& key) const {
    const QVariant value = settings_.value(qKey(key));
    if (value.typeId() != QMetaType::QVariantMap) return std::nullopt;
    std::map<std::string, std::string> result;
    const QVariantMap map = value.toMap();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (it.value().typeId() != QMetaType::QString) return std::nullopt;
        result.emplace(it.key().toStdString(), it.value().toString().toStdString());
    }
    return result;
}

std::optional<Failure> QtSettingsStore::setString(const std::string& key, const std::optional<std::string>& value) {
    return write([&](QSettings& settings) {
        if (value) settings.setValue(qKey(key), QString::fromStdString(*value));
        else settings.remove(qKey(key));
    });
}

std::optional<Failure> QtSettingsStore::setStringMap(const std::string& key,
                                                     const std::map<std::string, std::string>& value) {
    QVariantMap map;
    for (const auto& [k, v] : value) map.insert(QString::fromStdString(k), QString::fromStdString(v));
    return write([&](QSettings& settings) { settings.setValue(qKey(key), map); });
}

std::optional<Failure> QtSettingsStore::write(const std::function<void(QSettings&)>& change) {
    // A QSettings keeps the first error it met for good, so each write gets one of its own
    // to tell whether this write failed. It shares the file's contents with settings_.
    QSettings writer(settings_.fileName(), QSettings::IniFormat);
    change(writer);
    writer.sync();
    // Only access errors are write failures: a format error is about what was read.
    if (writer.status() != QSettings::AccessError) return std::nullopt;
    const std::string file = settings_.fileName().toStdString();
    return Failure::settingsNotSaved(file, settingsFileWriteFailure(file));
}

}  // namespace tamsel
