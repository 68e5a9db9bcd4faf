#include <gtest/gtest.h>

#include "settings/init_settings.h"

namespace kova {
namespace {

// Records the order of every read and write.
class RecordingStore final : public SettingsStore {
  public:
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& key) override {
        log.push_back("read " + section + "/" + key);
        return inner.ReadString(section, key);
    }
    std::int32_t ReadInt(const std::string& section, const std::string& key,
                         std::int32_t fallback) override {
        log.push_back("read " + section + "/" + key + " " + std::to_string(fallback));
        return inner.ReadInt(section, key, fallback);
    }
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override {
        log.push_back("write " + section + "/" + key + "=" + value);
        inner.WriteString(section, key, value);
    }
    void WriteInt(const std::string& section, const std::string& key, std::int32_t value) override {
        log.push_back("write " + section + "/" + key + "=" + std::to_string(value));
        inner.WriteInt(section, key, value);
    }
    MemorySettingsStore inner;
    std::vector<std::string> log;
};

TEST(InitSettings, FirstUseGivesZeroToleranceAndAllFlags) {
    RecordingStore store;
    InitSettings settings{9.0, 0, 0, 0};
    settings.ReadAll(store);
    EXPECT_EQ(settings.tolerance, 0.0);
    EXPECT_EQ(settings.printData, 1);
    EXPECT_EQ(settings.printFlow, 1);
    EXPECT_EQ(settings.printRunList, 1);
    const std::vector<std::string> order = {"read Init/Tole", "read Init/DataFile 1",
                                            "read Init/RunList 1", "read Init/Flow 1",
                                            "read Editor/CheckWhileTyping 1"};
    EXPECT_EQ(store.log, order);
}

TEST(InitSettings, ToleranceReadsThroughStrtod) {
    for (const auto& [stored, value] : {std::pair{"0.5abc", 0.5},
                                        {"abc", 0.0},
                                        {"", 0.0},
                                        {"5.e-002", 0.05},
                                        {"60.", 60.0},
                                        {"-1", -1.0},
                                        {"1e400", 0.0},
                                        {"-1e400", 0.0}}) {
        MemorySettingsStore store;
        store.WriteString("Init", "Tole", stored);
        InitSettings settings;
        settings.ReadAll(store);
        EXPECT_EQ(settings.tolerance, value) << stored;
    }
}

TEST(InitSettings, WritesToleranceAsTenDigitTextThenFlagsInOrder) {
    RecordingStore store;
    const InitSettings settings{0.05, 0, 1, 2};
    settings.WriteAll(store);
    const std::vector<std::string> order = {"write Init/Tole=5.e-002", "write Init/DataFile=0",
                                            "write Init/RunList=2", "write Init/Flow=1",
                                            "write Editor/CheckWhileTyping=1"};
    EXPECT_EQ(store.log, order);

    InitSettings back;
    back.ReadAll(store);
    EXPECT_EQ(back.tolerance, 0.05);
    EXPECT_EQ(back.printData, 0);
    EXPECT_EQ(back.printFlow, 1);
    EXPECT_EQ(back.printRunList, 2);  // any non-zero value counts as set

    MemorySettingsStore sixty;
    InitSettings{60.0, 1, 1, 1}.WriteAll(sixty);
    EXPECT_EQ(sixty.ReadString("Init", "Tole"), "60.");
}

TEST(InitSettings, ReadFlagsLeavesTheTolerance) {
    MemorySettingsStore store;
    store.WriteString("Init", "Tole", "3");
    store.WriteInt("Init", "Flow", 0);
    InitSettings settings{7.0, 0, 1, 0};
    settings.ReadFlags(store);
    EXPECT_EQ(settings.tolerance, 7.0);
    EXPECT_EQ(settings.printData, 1);
    EXPECT_EQ(settings.printFlow, 0);
    EXPECT_EQ(settings.printRunList, 1);
}

}  // namespace
}  // namespace kova
