#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/qt_settings_store.h"
#include "settings/init_settings.h"
#include "support/full_disk.h"

namespace kova {
namespace {

TEST(QtSettingsStore, KeepsSectionInitAcrossStores) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("KOVA.ini");
    {
        QtSettingsStore store(path);
        InitSettings{0.05, 0, 1, 0}.WriteAll(store);
        ASSERT_TRUE(store.Sync());
    }
    QtSettingsStore store(path);
    InitSettings settings;
    settings.ReadAll(store);
    EXPECT_EQ(settings.tolerance, 0.05);
    EXPECT_EQ(settings.printData, 0);
    EXPECT_EQ(settings.printFlow, 1);
    EXPECT_EQ(settings.printRunList, 0);
    EXPECT_EQ(store.ReadString("Init", "Tole"), "5.e-002");
    EXPECT_FALSE(store.ReadString("Init", "Missing"));
    EXPECT_EQ(store.ReadInt("Init", "Missing", 1), 1);
}

TEST(QtSettingsStore, ReadsHandWrittenValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KOVA.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Init]\nTole=0.5abc\nDataFile=2\nFlow=x\nRunList=1,5\n");
    file.close();
    QtSettingsStore store(path);
    InitSettings settings;
    settings.ReadAll(store);
    EXPECT_EQ(settings.tolerance, 0.5);
    EXPECT_EQ(settings.printData, 2);
    EXPECT_EQ(settings.printFlow, 0);
    EXPECT_EQ(settings.printRunList, 1);
    EXPECT_EQ(store.ReadString("Init", "RunList"), "1,5");
}

TEST(QtSettingsStore, UserStoreLivesUnderTheConfigurationFolder) {
    QTemporaryDir dir;
    QTemporaryDir system;
    ASSERT_EQ(setenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit().constData(), 1), 0);
    ASSERT_EQ(setenv("XDG_CONFIG_DIRS", system.path().toLocal8Bit().constData(), 1), 0);
    // A system-wide file gives what the user's lacks, and is never copied into it.
    ASSERT_TRUE(QDir(system.path()).mkpath("Velorand"));
    QFile shared(system.filePath("Velorand/KOVA.ini"));
    ASSERT_TRUE(shared.open(QIODevice::WriteOnly));
    shared.write("[Init]\nTole=7\nFlow=0\n");
    shared.close();
    {
        QtSettingsStore store;
        EXPECT_EQ(store.ReadString("Init", "Flow"), "0");
        store.WriteString("Init", "Tole", "1.5");
        store.WriteString("Window size", "Rect", "0010 0010 0800 0600");
        ASSERT_TRUE(store.Sync());
    }
    const QString file = dir.filePath("Velorand/KOVA.ini");
    ASSERT_TRUE(QFile::exists(file)) << file.toStdString();
    QtSettingsStore again;
    EXPECT_EQ(again.ReadString("Init", "Tole"), "1.5");
    EXPECT_EQ(again.ReadString("Window size", "Rect"), "0010 0010 0800 0600");
    EXPECT_EQ(again.ReadString("Init", "Flow"), "0");
    QFile own(file);
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_FALSE(own.readAll().contains("Flow"));
    unsetenv("XDG_CONFIG_DIRS");
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(QtSettingsStore, FullDiskKeepsTheOldFile) {
    QTemporaryDir dir;
    const testing::FullDisk disk(dir.filePath("full").toStdString());
    if (!disk.Mounted()) {
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    }
    const QString path = dir.filePath("full/KOVA.ini");
    QtSettingsStore store(path);
    InitSettings{0.5, 1, 0, 1}.WriteAll(store);
    store.WriteString("Recent File List", "File1", "/home/a/plan.kvf");
    ASSERT_TRUE(store.Sync());
    const QByteArray before = Bytes(path);
    disk.Fill();
    EXPECT_FALSE((InitSettings{2.0, 1, 1, 1}.WriteAll(store)));
    EXPECT_NE(store.SyncError().find(std::strerror(ENOSPC)), std::string::npos)
        << store.SyncError();
    EXPECT_EQ(Bytes(path), before);
    // Not lost for this session, and tried again at the next write.
    EXPECT_EQ(store.ReadString("Init", "Tole"), "2.");
    QtSettingsStore again(path);
    EXPECT_EQ(again.ReadString("Init", "Tole"), "0.5");
    EXPECT_EQ(again.ReadString("Recent File List", "File1"), "/home/a/plan.kvf");
}

TEST(QtSettingsStore, APipeIsNeitherReadNorWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KOVA.ini");
    ASSERT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    QtSettingsStore store(path);  // would block reading a pipe
    EXPECT_NE(store.ReadProblem().find("not a regular file"), std::string::npos);
    EXPECT_FALSE(store.ReadString("Init", "Tole"));
    store.WriteString("Init", "Tole", "1.");
    EXPECT_FALSE(store.Sync());
    EXPECT_NE(store.SyncError().find("not a regular file"), std::string::npos);
}

TEST(QtSettingsStore, EachSyncSeesTheLatestWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KOVA.ini");
    QtSettingsStore store(path);
    QtSettingsStore other(path);
    for (const char* value : {"1.", "2.", "3."}) {
        store.WriteString("Init", "Tole", value);
        ASSERT_TRUE(store.Sync());
        ASSERT_TRUE(other.Sync());
        EXPECT_EQ(other.ReadString("Init", "Tole"), value);
    }
}

}  // namespace
}  // namespace kova
