// The per-user settings file shared by the application and the command-line
// solver: an INI file under the user's configuration folder.
#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <sys/types.h>

#include "settings/settings_store.h"

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

    // Stores what is pending so that a failure keeps the old file whole (the
    // values stay pending), then takes in what another program wrote.
    bool Sync() override;
    std::string SyncError() const override { return syncError_; }
    // Why the file could not be read (say, it is a pipe, which would block),
    // or empty. Such a store reads as empty and refuses to write.
    const std::string& ReadProblem() const { return readProblem_; }
    const QString& FileName() const { return path_; }

  private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        long long modified = 0;  // nanoseconds
        bool operator==(const Stamp&) const = default;
    };
    void Reload();
    bool Store();

    QString path_;
    QMap<QString, QVariant> stored_;    // the file as last read or written
    QMap<QString, QVariant> pending_;   // written here, not yet in the file
    QMap<QString, QVariant> fallback_;  // the organisation's and the system's files, read only
    Stamp stamp_;
    std::string readProblem_;
    std::string syncError_;
};

}  // namespace kova
