#include "platform/qt/QtSettingsStore.h"

#include <QVariantMap>

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

void QtSettingsStore::setString(const std::string& key, const std::optional<std::string>& value) {
    if (value)
        settings_.setValue(qKey(key), QString::fromStdString(*value));
    else
        settings_.remove(qKey(key));
    settings_.sync();
}

void QtSettingsStore::setStringMap(const std::string& key, const std::map<std::string, std::string>& value) {
    QVariantMap map;
    for (const auto& [k, v] : value) map.insert(QString::fromStdString(k), QString::fromStdString(v));
    settings_.setValue(qKey(key), map);
    settings_.sync();
}

}  // namespace tamsel
