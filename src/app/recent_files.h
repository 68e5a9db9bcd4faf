// The recent-file list: four entries, newest first, in section
// "Recent File List" (File1 to File4).
#pragma once

#include <QStringList>

namespace kova {
class SettingsStore;
}

namespace kova::app {

class RecentFileList {
  public:
    static constexpr int kSize = 4;

    explicit RecentFileList(SettingsStore& store) : store_(store) {}

    void Load();
    // Puts `path` first (once) and stores the list.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Paths() const { return paths_; }

  private:
    void Save();

    SettingsStore& store_;
    QStringList paths_;
};

}  // namespace kova::app
