#include "platform/qt_settings_store.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

#include "files/output_file.h"
#include "text/c_runtime.h"

namespace kova {
namespace {

using Values = QMap<QString, QVariant>;

// Larger files are no settings of ours.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// What a value reads back as from an INI file.
QString Canonical(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) {
        return QStringLiteral("list:") + value.toStringList().join(QChar(0x1F));
    }
    return QStringLiteral("text:") + value.toString();
}

bool SameValues(const Values& a, const Values& b) {
    if (a.keys() != b.keys()) {
        return false;
    }
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        if (Canonical(it.value()) != Canonical(b.value(it.key()))) {
            return false;
        }
    }
    return true;
}

// QSettings keeps the contents of every file it has read or written by the
// file's name for the life of the process, and Qt 6.4's reports success when
// the last write of a file fails. So it only ever reads and writes files of
// fresh names in a scratch folder; the user's file is read and replaced by
// our own checked code.
std::optional<Values> ParseIni(const QByteArray& bytes, const QString& fallbackFolder) {
    for (const QString& base : {QDir::tempPath(), fallbackFolder}) {
        QTemporaryDir scratch(base + QStringLiteral("/kova-settings-XXXXXX"));
        if (!scratch.isValid()) {
            continue;
        }
        const QString path = scratch.filePath(QStringLiteral("read.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.flush()) {
            continue;
        }
        file.close();
        const QSettings settings(path, QSettings::IniFormat);
        if (settings.status() == QSettings::AccessError) {
            continue;
        }
        Values values;
        for (const QString& key : settings.allKeys()) {
            values.insert(key, settings.value(key));
        }
        return values;
    }
    return std::nullopt;
}

std::optional<QByteArray> RenderIni(const Values& values, const QString& fallbackFolder) {
    for (const QString& base : {QDir::tempPath(), fallbackFolder}) {
        QTemporaryDir scratch(base + QStringLiteral("/kova-settings-XXXXXX"));
        if (!scratch.isValid()) {
            continue;
        }
        const QString path = scratch.filePath(QStringLiteral("write.ini"));
        {
            QSettings settings(path, QSettings::IniFormat);
            for (auto it = values.cbegin(); it != values.cend(); ++it) {
                settings.setValue(it.key(), it.value());
            }
            settings.sync();
            if (settings.status() != QSettings::NoError) {
                continue;
            }
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray bytes = file.readAll();
        // Read back under another name: the text must hold every value.
        const std::optional<Values> back = ParseIni(bytes, fallbackFolder);
        if (file.error() == QFileDevice::NoError && back && SameValues(*back, values)) {
            return bytes;
        }
    }
    return std::nullopt;
}

// Where QSettings keeps the INI files of "Velorand"/"KOVA": the user's own
// first, then those it falls back to for keys the user's file lacks (the
// organisation's file, then both of every system configuration folder).
QStringList SettingsFiles() {
    QStringList files;
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    for (qsizetype i = 0; i < folders.size(); ++i) {
        files << folders.at(i) + QStringLiteral("/Velorand/KOVA.ini");
        if (i == 0) {
            files << folders.at(i) + QStringLiteral("/Velorand.ini");
        }
    }
    for (qsizetype i = 1; i < folders.size(); ++i) {
        files << folders.at(i) + QStringLiteral("/Velorand.ini");
    }
    return files;
}

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(SettingsFiles().constFirst()) {
    const QStringList files = SettingsFiles();
    for (qsizetype i = files.size() - 1; i >= 1; --i) {
        QFile file(files.at(i));
        if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray bytes = file.read(kLargestFile);
        if (const auto values = ParseIni(bytes, QDir::tempPath())) {
            fallback_.insert(*values);
        }
    }
}

QtSettingsStore::QtSettingsStore(const QString& iniPath)
    : path_(QFileInfo(iniPath).absoluteFilePath()) {
    Reload();
}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& section,
                                                       const std::string& key) {
    const QString name = Key(section, key);
    const auto pending = pending_.constFind(name);
    const QVariant value = pending != pending_.cend()      ? *pending
                           : stored_.contains(name) ? stored_.value(name)
                                                    : fallback_.value(name);
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
    pending_.insert(Key(section, key), QString::fromStdString(value));
}

void QtSettingsStore::WriteInt(const std::string& section, const std::string& key,
                               std::int32_t value) {
    pending_.insert(Key(section, key), value);
}

bool QtSettingsStore::Sync() {
    syncError_.clear();
    Reload();
    return Store();
}

void QtSettingsStore::Reload() {
    struct stat info {};
    if (::stat(Local(path_).c_str(), &info) != 0) {
        readProblem_.clear();
        stored_.clear();
        stamp_ = Stamp{};
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        readProblem_ = Local(path_) + ": not a regular file";
        stored_.clear();
        stamp_ = Stamp{};
        return;
    }
    const Stamp stamp{info.st_dev, info.st_ino, info.st_size,
                      info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
    if (stamp == stamp_ && readProblem_.empty()) {
        return;
    }
    readProblem_.clear();
    stored_.clear();
    stamp_ = Stamp{};
    QFile file(path_);
    if (info.st_size > kLargestFile) {
        readProblem_ = Local(path_) + ": too large for a settings file";
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        readProblem_ = Local(path_) + ": " + file.errorString().toStdString();
        return;
    }
    const QByteArray bytes = file.read(kLargestFile + 1);
    const std::optional<Values> values =
        file.error() == QFileDevice::NoError
            ? ParseIni(bytes, QFileInfo(path_).absolutePath())
            : std::nullopt;
    if (!values) {
        readProblem_ = Local(path_) + ": cannot be read";
        return;
    }
    stored_ = *values;
    stamp_ = stamp;
}

bool QtSettingsStore::Store() {
    if (pending_.isEmpty()) {
        return true;
    }
    if (!readProblem_.empty()) {
        syncError_ = readProblem_;
        return false;
    }
    Values merged = stored_;
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it) {
        merged.insert(it.key(), it.value());
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        syncError_ = Local(folder) + ": cannot create the folder";
        return false;
    }
    const std::optional<QByteArray> bytes = RenderIni(merged, folder);
    if (!bytes) {
        syncError_ = Local(path_) + ": the settings text could not be prepared";
        return false;
    }
    if (const std::string error = ReplaceFile(Local(path_), bytes->toStdString());
        !error.empty()) {
        syncError_ = Local(path_) + ": " + error;
        return false;
    }
    pending_.clear();
    stamp_ = Stamp{};
    Reload();
    return true;
}

}  // namespace kova
