#include "platform/qt_settings_store.h"

#include <QStringList>

#include "text/c_runtime.h"

namespace kova {
namespace {

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Velorand"), QStringLiteral("KOVA"))) {}

QtSettingsStore::QtSettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& section,
                                                       const std::string& key) {
    const QVariant value = settings_->value(Key(section, key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    // An INI value with commas comes back as a list; join it back.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    return value.toString().toStdString();
}

std::int32_t QtSettingsStore::ReadInt(const std::string& section, const std::string& key,
                                      std::int32_t fallback) {
    const auto text = ReadString(section, key);
    return text ? Atoi(*text) : fallback;
}

void QtSettingsStore::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value) {
    settings_->setValue(Key(section, key), QString::fromStdString(value));
}

void QtSettingsStore::WriteInt(const std::string& section, const std::string& key,
                               std::int32_t value) {
    settings_->setValue(Key(section, key), value);
}

bool QtSettingsStore::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace kova
