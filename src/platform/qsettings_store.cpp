#include "platform/qsettings_store.h"

#include <QSettings>
#include <QString>

namespace vorel {
namespace {

QString KeyPath(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + u'/' +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Talvard"),
                                            QStringLiteral("Vorel"))) {}

QSettingsStore::QSettingsStore(const std::string& iniPath)
    : settings_(std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

int QSettingsStore::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    settings_->sync();  // another copy of the program may have written since
    const QVariant value = settings_->value(KeyPath(section, key));
    if (!value.isValid()) return defaultValue;
    // Like the profile's integer read: a leading decimal integer, 0 when there is none.
    const auto parsed = ParseLeadingInt(value.toString().toStdString());
    return parsed ? static_cast<int>(*parsed) : 0;
}

std::string QSettingsStore::ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const {
    settings_->sync();
    const QVariant value = settings_->value(KeyPath(section, key));
    if (!value.isValid()) return std::string(defaultValue);
    return value.toString().toStdString();
}

void QSettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    settings_->setValue(KeyPath(section, key), value);
    settings_->sync();
}

void QSettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    settings_->setValue(KeyPath(section, key), FromUtf8(value));
    settings_->sync();
}

std::string QSettingsStore::FileName() const { return settings_->fileName().toStdString(); }

}  // namespace vorel
