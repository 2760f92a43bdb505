#include "platform/qt/QtSettingsStore.h"

#include <QStringList>
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
    // As written now: a section of its own, one line of text per entry.
    settings_.beginGroup(qKey(key));
    const QStringList entries = settings_.childKeys();
    QVariantMap map;
    for (const QString& entry : entries) map.insert(entry, settings_.value(entry));
    settings_.endGroup();
    if (entries.isEmpty()) {
        // As written before: one value holding the whole mapping in Qt's binary form.
        const QVariant value = settings_.value(qKey(key));
        if (value.typeId() != QMetaType::QVariantMap) return std::nullopt;
        map = value.toMap();
    }
    std::map<std::string, std::string> result;
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
    return write([&](QSettings& settings) {
        // Whatever was there goes, in either form, the old binary value included.
        settings.remove(qKey(key));
        settings.beginGroup(qKey(key));
        for (const auto& [entry, text] : value)
            settings.setValue(QString::fromStdString(entry), QString::fromStdString(text));
        settings.endGroup();
    });
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
