#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_options.h"
#include "cli/solve_command.h"
#include "settings/settings_store.h"
#include "text/cp932.h"

namespace kova::cli {
namespace {

namespace fs = std::filesystem;

ParsedCommandLine Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLine, ReadsEveryOption) {
    const ParsedCommandLine p =
        Parse({"--input-encoding", "utf-8", "--raw", "--run-list=r.txt", "--solution", "s.txt",
               "--fixed-time", "2026/12/07 01:02:03", "--tolerance", "0.5", "--time-limit", "2.5",
               "--max-branches", "100", "--quiet", "problem.kvf"});
    ASSERT_EQ(p.error, "");
    const SolveOptions& o = p.options;
    EXPECT_EQ(o.inputPath, "problem.kvf");
    EXPECT_EQ(o.inputEncoding, InputEncoding::Utf8);
    EXPECT_TRUE(o.raw);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.runListPath, "r.txt");
    EXPECT_EQ(o.solutionPath, "s.txt");
    EXPECT_EQ(o.fixedTime, (DateTime{2026, 12, 7, 1, 2, 3}));
    EXPECT_EQ(o.tolerance, 0.5);
    EXPECT_EQ(o.timeLimitSeconds, 2.5);
    EXPECT_EQ(o.maxBranches, 100);
}

TEST(CommandLine, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"a.kvf", "b.kvf"},
        {"--bogus", "a.kvf"},
        {"--tolerance", "abc", "a.kvf"},
        {"--tolerance", "1e999", "a.kvf"},
        {"--tolerance"},
        {"--fixed-time", "2026/12/07", "a.kvf"},
        {"--input-encoding", "latin1", "a.kvf"},
        {"--time-limit", "-1", "a.kvf"},
        {"--max-branches", "1.5", "a.kvf"},
    };
    for (const auto& arguments : bad) {
        EXPECT_NE(Parse(arguments).error, "") << ::testing::PrintToString(arguments);
    }
    EXPECT_EQ(Parse({"--", "-odd.kvf"}).options.inputPath, "-odd.kvf");
    EXPECT_EQ(Parse({"--tolerance", "-0.5", "a.kvf"}).options.tolerance, -0.5);
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_EQ(Parse({"--version"}).error, "");
}

class SolveCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("kova-cli-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream stream(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), {});
    }
    int Solve(SolveOptions options) {
        out_.str("");
        err_.str("");
        options.fixedTime = DateTime{2026, 12, 7, 1, 2, 3};
        return RunSolve(options, settings_, {out_, err_, false, nullptr, {}});
    }

    fs::path dir_;
    MemorySettingsStore settings_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(SolveCommand, DataErrorNamesTheFileAndTheLine) {
    SolveOptions options;
    options.inputPath = Write("bad.kvf", "ARC S A 0 0 1 5\r\nNODE\r\n");
    options.runListPath = (dir_ / "run.txt").string();
    options.solutionPath = (dir_ / "solution.txt").string();
    EXPECT_EQ(Solve(options), kExitDataError);
    EXPECT_EQ(err_.str(),
              "kova-solve: " + options.inputPath + ": Line 2 : 未定義の宣言文( NODE )\n");
    const std::string runList = Read(*options.runListPath);
    EXPECT_EQ(Cp932ToUtf8(runList), out_.str());
    EXPECT_TRUE(fs::exists(*options.solutionPath));
    EXPECT_EQ(Read(*options.solutionPath), "");
}

TEST_F(SolveCommand, EmptyFileIsTheEmptyText) {
    SolveOptions options;
    options.inputPath = Write("empty.kvf", "");
    options.raw = true;
    EXPECT_EQ(Solve(options), kExitDataError);
    EXPECT_EQ(Cp932ToUtf8(out_.str()), "エラー!　入力データがありません\r\n");
}

TEST_F(SolveCommand, UnreadableFilesAreRefused) {
    SolveOptions options;
    options.inputPath = (dir_ / "missing.kvf").string();
    EXPECT_EQ(Solve(options), kExitNotReadable);
    EXPECT_NE(err_.str().find("missing.kvf: cannot read"), std::string::npos);
    options.inputPath = dir_.string();
    EXPECT_EQ(Solve(options), kExitNotReadable);
    EXPECT_NE(err_.str().find("is a directory"), std::string::npos);
    EXPECT_EQ(out_.str(), "");
}

TEST_F(SolveCommand, Utf8InputIsConvertedFirst) {
    SolveOptions options;
    options.inputEncoding = InputEncoding::Utf8;
    options.inputPath =
        Write("utf8.kvf", "\xEF\xBB\xBFTITLE 田町\r\nARC ナゴヤ 都心 0 0 1 10\r\nEND\r\n");
    options.raw = true;
    EXPECT_EQ(Solve(options), kExitSolved);
    EXPECT_NE(out_.str().find(Utf8ToCp932("Data = 田町\r\n").bytes), std::string::npos);

    options.inputPath = Write("bad-utf8.kvf", "TITLE x\nARC \xFF");
    EXPECT_EQ(Solve(options), kExitNotReadable);
    EXPECT_NE(err_.str().find("line 2: not valid UTF-8"), std::string::npos) << err_.str();
}

// A stream whose every write fails, like standard output on a full disk.
class FullDisk final : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(SolveCommand, LostOutputIsAFailure) {
    SolveOptions options;
    options.inputPath = Write("ok.kvf", "END");
    options.solutionPath = (dir_ / "solution.txt").string();
    FullDisk full;
    std::ostream out(&full);
    EXPECT_EQ(RunSolve(options, settings_, {out, err_, false, nullptr, {}}), kExitCannotWrite);
    EXPECT_NE(err_.str().find("kova-solve: standard output: cannot write"), std::string::npos)
        << err_.str();
    // The files asked for are still written.
    EXPECT_NE(Read(*options.solutionPath), "");
}

TEST_F(SolveCommand, OutputThatIsTheProblemIsRefused) {
    SolveOptions options;
    options.inputPath = Write("p.kvf", "END");
    for (auto* target : {&options.runListPath, &options.solutionPath}) {
        options.runListPath.reset();
        options.solutionPath.reset();
        *target = (dir_ / "." / "p.kvf").string();
        EXPECT_EQ(Solve(options), kExitUsage);
        EXPECT_NE(err_.str().find("is the problem file itself"), std::string::npos);
        EXPECT_EQ(Read(options.inputPath), "END");
    }
}

TEST_F(SolveCommand, ControlBytesInAMessageAreShownAsCodes) {
    SolveOptions options;
    options.inputPath = Write("utf16.kvf", std::string("A\0R\0C\0", 6));
    EXPECT_EQ(Solve(options), kExitDataError);
    EXPECT_EQ(err_.str().find('\0'), std::string::npos);
    EXPECT_NE(err_.str().find("( A\\x00R\\x00C\\x00 )"), std::string::npos) << err_.str();
}

TEST_F(SolveCommand, UnwritableOutputIsReported) {
    SolveOptions options;
    options.inputPath = Write("ok.kvf", "END");
    options.runListPath = (dir_ / "no-such-dir" / "run.txt").string();
    EXPECT_EQ(Solve(options), kExitCannotWrite);
    EXPECT_NE(err_.str().find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace kova::cli
