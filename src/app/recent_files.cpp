#include "app/recent_files.h"

#include <string>

#include "settings/settings_store.h"

namespace kova::app {
namespace {

const std::string kSection = "Recent File List";

std::string Key(int index) {
    return "File" + std::to_string(index + 1);
}

}  // namespace

void RecentFileList::Load() {
    paths_.clear();
    for (int i = 0; i < kSize; ++i) {
        const auto path = store_.ReadString(kSection, Key(i));
        if (path && !path->empty()) {
            const QString text = QString::fromStdString(*path);
            if (!paths_.contains(text)) {
                paths_.append(text);
            }
        }
    }
}

void RecentFileList::Add(const QString& path) {
    paths_.removeAll(path);
    paths_.prepend(path);
    while (paths_.size() > kSize) {
        paths_.removeLast();
    }
    Save();
}

void RecentFileList::Remove(const QString& path) {
    if (paths_.removeAll(path) > 0) {
        Save();
    }
}

void RecentFileList::Save() {
    for (int i = 0; i < kSize; ++i) {
        store_.WriteString(kSection, Key(i),
                           i < paths_.size() ? paths_.at(i).toStdString() : std::string());
    }
    // Stored at once, so another start sees it; a failure keeps the list
    // pending, and the closing window reports it.
    store_.Sync();
}

}  // namespace kova::app
