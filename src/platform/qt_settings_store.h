// The per-user settings file shared by the application and the command-line
// solver: an INI file under the user's configuration folder.
#pragma once

#include <QSettings>
#include <memory>

#include "run/settings_store.h"

namespace kova {

class QtSettingsStore final : public SettingsStore {
  public:
    // The user's own store (organisation "Velorand", application "KOVA").
    QtSettingsStore();
    // A store in a given INI file, for tests and tools.
    explicit QtSettingsStore(const QString& iniPath);

    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& key) override;
    std::int32_t ReadInt(const std::string& section, const std::string& key,
                         std::int32_t fallback) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;
    void WriteInt(const std::string& section, const std::string& key, std::int32_t value) override;

    QSettings& Settings() { return *settings_; }
    bool Sync() override;

  private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace kova
