// The settings store on disk: an INI file under the user's configuration folder
// (~/.config/Talvard/Vorel.ini), one group per section. This is the only file
// that touches QSettings.
#pragma once

#include <memory>

#include "search/settings.h"

class QSettings;

namespace vorel {

class QSettingsStore : public ISettingsStore {
public:
    // The user's own store (organisation "Talvard", application "Vorel").
    QSettingsStore();
    // A store in the given INI file (tests).
    explicit QSettingsStore(const std::string& iniPath);
    ~QSettingsStore() override;

    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    void WriteInt(std::string_view section, std::string_view key, int value) override;
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;

    std::string FileName() const;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace vorel
