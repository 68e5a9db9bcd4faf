#include <gtest/gtest.h>

#include "run/calculation_run.h"
#include "support/fake_monitor.h"
#include "text/cp932.h"
#include "text/system_texts.h"

namespace kova {
namespace {

TEST(CalculationRun, DataErrorShowsOneStopMessageAndTouchesNoField) {
    testing::FakeMonitor monitor;
    CalculationRun run(monitor, 0.0);
    run.Run("ARC S A 5 0 1 3\r\nEND");
    EXPECT_FALSE(run.Accepted());
    ASSERT_TRUE(run.Error());
    EXPECT_EQ(run.Error()->line, 1);
    EXPECT_EQ(Cp932ToUtf8(run.Error()->message),
              "上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )");
    ASSERT_EQ(monitor.messages.size(), 1u);
    EXPECT_EQ(monitor.messages[0].first, Texts().dataErrorMessage);
    EXPECT_EQ(monitor.messages[0].second, MessageIcon::Stop);
    EXPECT_TRUE(monitor.fieldWrites.empty());
    EXPECT_TRUE(run.Results().solution.empty());
    EXPECT_EQ(run.Tables().ErrorCount, 1);
}

TEST(CalculationRun, ReleasesTheTablesWhateverTheOutcome) {
    for (const char* text :
         {"ARC S A 0 0 1 5 9 2 10\r\nARC A S 0 0 1 5\r\nEND", "ARC S A 5 0 1 3"}) {
        testing::FakeMonitor monitor;
        CalculationRun run(monitor, 0.0);
        run.Run(text);
        const ProblemTables& t = run.Tables();
        EXPECT_FALSE(t.ArcTable.HasStorage()) << text;
        EXPECT_FALSE(t.PieceTable.HasStorage()) << text;
        EXPECT_FALSE(t.SolutionTable.HasStorage()) << text;
        EXPECT_FALSE(t.NetArcTable.HasStorage()) << text;
        EXPECT_TRUE(t.NameTable.HasStorage()) << text;
    }
}

TEST(CalculationRun, TwoRunsInOneProcessDoNotMeet) {
    testing::FakeMonitor first(DateTime{2026, 1, 2, 3, 4, 5});
    testing::FakeMonitor second(DateTime{2027, 6, 7, 8, 9, 10});
    CalculationRun a(first, 0.0);
    CalculationRun b(second, 0.5);
    a.Run("ARC S A 0 0 1 5\r\nEND");
    b.Run("NODE");
    EXPECT_TRUE(a.Accepted());
    EXPECT_FALSE(b.Accepted());
    EXPECT_NE(a.Results().runList.find("2026/01/02 03:04:05"), std::string::npos);
    EXPECT_NE(b.Results().runList.find("2027/06/07 08:09:10"), std::string::npos);
    ASSERT_EQ(first.messages.size(), 1u);
    EXPECT_EQ(first.messages[0].second, MessageIcon::Information);
}

TEST(CalculationRun, EmptyTextAddsOneLineToThePreviousRunList) {
    RunResults results;
    results.runList = "previous\r\n";
    results.solution = "solution";
    AppendNoInputData(results);
    EXPECT_EQ(Cp932ToUtf8(results.runList), "previous\r\nエラー!　入力データがありません\r\n");
    EXPECT_EQ(results.solution, "solution");
}

TEST(LiveFields, StartWithTheirInitialTexts) {
    const LiveFieldTexts fields;
    const std::pair<LiveField, const char*> expected[] = {
        {LiveField::Feasibility, "実行不可能"},
        {LiveField::Gap, "99999999.0"},
        {LiveField::BestTotal, "0"},
        {LiveField::ResultCode, "0"},
        {LiveField::Elapsed, "00:00:00"},
        {LiveField::Branches, "0"},
    };
    for (const auto& [field, text] : expected) {
        EXPECT_EQ(Cp932ToUtf8(fields.Get(field)), text) << static_cast<int>(field);
    }
}

TEST(FakeMonitor, RaisesTheStopAfterTheGivenPumps) {
    testing::FakeMonitor monitor;
    monitor.stopAfterPumps = 3;
    monitor.Pump();
    monitor.Pump();
    EXPECT_FALSE(monitor.StopRequested());
    monitor.Pump();
    EXPECT_TRUE(monitor.StopRequested());
    EXPECT_EQ(monitor.Now(), (DateTime{2026, 12, 7, 9, 30, 0}));
}

}  // namespace
}  // namespace kova
