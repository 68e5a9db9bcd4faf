#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "files/output_file.h"
#include "support/full_disk.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

class OutputFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kova-output-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    // Nothing but `names` is left in the folder (no temporary file).
    void ExpectOnly(std::set<std::string> names) const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            found.insert(entry.path().filename().string());
        }
        EXPECT_EQ(found, names);
    }
    fs::path dir_;
};

TEST_F(OutputFile, ReplacesKeepingModeAndLinks) {
    const fs::path file = dir_ / "run.txt";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("run.txt", dir_ / "link.txt");
    EXPECT_EQ(ReplaceFile((dir_ / "link.txt").string(), "new"), "");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
    EXPECT_EQ(Read(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(ReplaceFile((dir_ / "fresh.txt").string(), ""), "");
    EXPECT_TRUE(fs::exists(dir_ / "fresh.txt"));
    ExpectOnly({"run.txt", "link.txt", "fresh.txt"});

    EXPECT_EQ(ReplaceFile(dir_.string(), "x"), std::strerror(EISDIR));
    EXPECT_EQ(ReplaceFile((dir_ / "none" / "x").string(), "x"), std::strerror(ENOENT));
    // Devices are written in place, never replaced.
    EXPECT_EQ(ReplaceFile("/dev/null", "x"), "");
    EXPECT_EQ(ReplaceFile("/dev/full", "x"), std::strerror(ENOSPC));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(OutputFile, FullDiskKeepsTheOldFile) {
    const testing::FullDisk disk((dir_ / "full").string());
    if (!disk.Mounted()) {
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    }
    const fs::path file = fs::path(disk.Folder()) / "solution.txt";
    std::ofstream(file) << "old";
    disk.Fill();
    EXPECT_EQ(ReplaceFile(file.string(), std::string(10000, 'x')), std::strerror(ENOSPC));
    EXPECT_EQ(Read(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.Folder()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace kova
