#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/qt_settings_store.h"
#include "run/init_settings.h"

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
    ASSERT_EQ(setenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit().constData(), 1), 0);
    {
        QtSettingsStore store;
        store.WriteString("Init", "Tole", "1.5");
        store.WriteString("Window size", "Rect", "0010 0010 0800 0600");
        ASSERT_TRUE(store.Sync());
    }
    const QString file = dir.filePath("Velorand/KOVA.ini");
    ASSERT_TRUE(QFile::exists(file)) << file.toStdString();
    QtSettingsStore again;
    EXPECT_EQ(again.ReadString("Init", "Tole"), "1.5");
    EXPECT_EQ(again.ReadString("Window size", "Rect"), "0010 0010 0800 0600");
}

}  // namespace
}  // namespace kova
