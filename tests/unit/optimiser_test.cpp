#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "generator/problem_generator.h"
#include "optimiser/branch_search.h"
#include "optimiser/branch_setup.h"
#include "optimiser/envelope.h"
#include "optimiser/opening_rules.h"
#include "oracle/plain_branch_selector.h"
#include "parser/problem_parser.h"
#include "run/calculation_run.h"
#include "support/fake_monitor.h"
#include "text/cp932.h"
#include "text/number_text.h"

namespace kova {
namespace {

struct Outcome {
    std::optional<SearchEnd> end;
    double total = 0.0;
    std::string runList;   // UTF-8
    std::string solution;  // UTF-8
    std::vector<CalculationRun::SolutionRow> rows;
    std::int32_t branches = 0;
    std::int32_t updates = 0;
};

Outcome Solve(const std::string& text, double tolerance = 0.0,
              testing::FakeMonitor* monitor = nullptr) {
    testing::FakeMonitor own;
    testing::FakeMonitor& m = monitor != nullptr ? *monitor : own;
    CalculationRun run(m, tolerance);
    run.Run(text);
    Outcome outcome;
    outcome.end = run.End();
    outcome.total = run.IncumbentCost();
    outcome.runList = Cp932ToUtf8(run.Results().runList);
    outcome.solution = Cp932ToUtf8(run.Results().solution);
    outcome.rows = run.SolutionRows();
    outcome.branches = run.Tables().BranchesSolved;
    outcome.updates = run.Tables().IncumbentUpdates;
    return outcome;
}

// Small problems on which a careless method goes wrong, with the true optimum.
struct TrickyCase {
    const char* name;
    const char* text;
    const char* total;
};

void PrintTo(const TrickyCase& c, std::ostream* os) {
    *os << c.name;
}

class TrickyProblems : public ::testing::TestWithParam<TrickyCase> {};

TEST_P(TrickyProblems, ReachTheOptimum) {
    const TrickyCase& c = GetParam();
    const Outcome outcome = Solve(c.text);
    ASSERT_TRUE(outcome.end);
    EXPECT_GT(outcome.updates, 0);
    EXPECT_EQ(NumberText(outcome.total), c.total);
}

const TrickyCase kTrickyCases[] = {
    {"ParallelWayBack", "ARC S T 0 0 1 10\nARC T S 5 0 0 5\nEND", "5."},
    {"TraceFollowsTheLabel", "ARC A B 0 0 0 0\nARC B A 1 0 0 2 0 0 3\nARC A B 0 0 0 1\nEND", "0."},
    {"NegativeBounds", "ARC C B 2 0 0 2\nARC A B -5 0 1 5\nARC C A -3 0 1 3\nEND", "-4."},
    {"ArcsAtTheirBounds", "ARC A B 0 0 1 5\nARC C B 0 0 0 5\nEND", "0."},
    {"EveryArcInKilter",
     "ARC A B 1 0 0 1\nARC C A 0 0 1 1\nARC B C 0 0 0 1\nARC C D 0 0 4 1\nARC D A 0 0 -4 1\nEND",
     "0."},
    {"NegativeCycle", "ARC A B 0 0 -1 5\nARC B C 0 0 0 5\nARC C A 0 0 0 5\nEND", "-5."},
    {"BackwardThenForward",
     "ARC B A 0 0 3 4\nARC B C 0 0 2 5\nARC A B 1 2 6 5\nARC C A 2 0 3 5\nEND", "18."},
    {"LoopArc", "ARC A A 1 0 0 2\nEND", "0."},
    {"UnreachedNodes",
     "ARC Z Y 0 0 0 1\nARC A B 0 0 0.03 10\nARC A C 0 0 0.01 10\nARC C B 0 0 0.01 10\n"
     "ARC B A 5 0 0 5\nEND",
     "0.1"},
    {"DropBridged",
     "ARC S T 0 0 10 10 5 100 20\nARC S A 0 0 15 20\nARC A T 0 0 0 20\nARC T S 11 0 0 11\nEND",
     "105."},
    {"LowestValueAtLower",
     "ARC S A 0 0 10 1 12 5 2 13 1 10\nARC A T 0 0 0 10\nARC S B 0 0 8 10\nARC B T 0 0 0 10\n"
     "ARC T S 2 0 0 3\nEND",
     "14."},
    {"NegativeFirstLink", "ARC A B -3 0 1 -1 2 3 1\nARC A C 2 0 0 2\nARC C B 0 0 0 5\nEND", "1."},
    {"FromZeroOnlyAsParsed", "ARC B A 2 0 2 6\nARC A B 1 0 2 3 1 -1 6\nEND", "6."},
    {"OnePieceNoGap", "ARC S A 0 1 0.00000000005 10\nARC A T 0 0 0 10\nARC T S 5 0 0 5\nEND", "1."},
    {"GapArcItself",
     "ARC S A 0 0 5 10\nARC S A 0 0 3 10 30 1 20\nARC A T 0 0 0 20\nARC T S 15 0 0 15\nEND", "35."},
    {"SplitPointInLowChild", "ARC A B 2 0 0 3\nARC C A 0 0 0 1 1 0 3\nARC B C 0 0 1 2 0 0 3\nEND",
     "1."},
    {"NarrowingCutsAtLow",
     "ARC S A 0 0 0 0 10 1 100\nARC A T 0 0 0 100\nARC S B 0 0 1.4 100\nARC B T 0 0 0 100\n"
     "ARC T S 20 0 0 20\nEND",
     "28."},
    {"EndAtSelection",
     "ARC S A 0 0 10 10 100 1 20 110 -8 30\nARC A T 0 0 0 30\nARC S B 0 0 5.4 30\n"
     "ARC B T 0 0 0 30\nARC T S 20 0 0 30\nEND",
     "30."},
    {"BothRootChildrenClosed", "ARC A B 1 0 0 1\nARC B A 0 0 1 1 2 0 3 2 1 4\nEND", "1."},
    {"NoIncumbentWithoutFlow",
     "ARC S A 0 0 3000000000000000 10 30000000000000000 1000000000000000 20\nARC A T 0 0 0 20\n"
     "ARC T S 15 0 0 15\nEND",
     "3.5e+016"},
    {"NoArcs", "END", "0."},
    // A last piece of length 0 whose formula ends below the first piece: the
    // root's envelope holds a gap that no breakpoint split can close, only
    // the child's set-up that drops the empty piece.
    {"EmptyLastPiece", "ARC S T 0 0 10 5 0 1 5\nARC S T 0 0 7 10\nARC T S 5 0 0 5\nEND", "35."},
    // Negative bounds all through the tree: a child's unknown bound is no rise.
    {"NegativeBoundsInTheTree",
     "ARC N13 N10 0 0 -2 7 0 -1 13 17 6 20 63 2 22\nARC N1 N7 -3 0 9 5\nARC N11 N13 -3 0 5 2\n"
     "ARC N1 N10 -3 0 6 1\nARC N0 N3 1 0 6 8\nARC N12 N13 3 14 9 3 14 -3 10 14 2 18\n"
     "ARC N7 N3 -5 17 6 -5 36 6 2 64 0 3\nARC N7 N14 0 0 1 0 4 -2 6 4 2 9 33 3 17\n"
     "ARC N10 N12 0 -8 -2 3 -8 2 9 4 0 12 26 4 13\nARC N2 N0 0 0 -3 1 0 -5 2 0 -9 4 0 -12 7\n"
     "ARC N14 N7 0 0 -1 5 1 -2 11 13 -2 12\nARC N2 N11 -4 0 -2 1\nARC N1 N1 -3 0 8 4\n"
     "ARC N7 N2 -4 0 -2 2 0 2 2 2 3 9 43 1 13\nEND",
     "-11."},
    // A first step of the prices far too long: the solver's tolerance grew
    // with the costs and no longer came down, which ended later solves early.
    {"PricesOfOpeningRulesStayBounded",
     "ARC SRC N0 4 0 0 4\nARC SRC N1 1 0 0 1\nARC SRC N2 1 0 0 1\nARC N5 SNK 6 0 0 6\n"
     "ARC SNK SRC 6 0 0 6\nARC N0 N3 0 0 0 0 112 5 6\nARC N1 N4 0 0 0 0 325 1 6\n"
     "ARC N3 N5 0 0 0 0 1283 7 6\nARC N1 N5 0 0 0 0 1422 7 6\nARC N1 N5 0 0 0 0 265 7 6\n"
     "ARC N3 N1 0 0 0 0 132 6 6\nARC N0 N5 0 0 0 0 222 1 6\nARC N3 N0 0 0 0 0 2379 7 6\n"
     "ARC N0 N3 0 0 0 0 350 1 6\nARC N2 N5 0 0 0 0 1096 3 6\nARC N3 N1 0 0 3 6\n"
     "ARC N4 N0 0 0 0 0 643 5 6\nARC N5 N4 0 0 0 0 119 10 6\nARC N1 N0 0 0 0 0 2610 10 6\n"
     "ARC N0 N5 0 0 0 0 1903 7 6\nARC N5 N3 0 0 0 0 275 1 6\nARC N2 N4 0 0 0 0 1793 5 6\n"
     "ARC N4 N2 0 0 0 0 831 4 6\nARC N4 N1 0 0 0 0 414 8 6\nARC N4 N1 0 0 0 0 1131 3 6\nEND",
     "1543."},
};

INSTANTIATE_TEST_SUITE_P(Examples, TrickyProblems, ::testing::ValuesIn(kTrickyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrickyProblems, FlowsOfTheExamples) {
    const Outcome r6 = Solve("ARC C B 2 0 0 2\nARC A B -5 0 1 5\nARC C A -3 0 1 3\nEND");
    ASSERT_EQ(r6.rows.size(), 3u);
    EXPECT_EQ(r6.rows[0].flow, 2);
    EXPECT_EQ(r6.rows[1].flow, -2);
    EXPECT_EQ(r6.rows[2].flow, -2);

    const Outcome r12 =
        Solve("ARC S A 0 1 0.00000000005 10\nARC A T 0 0 0 10\nARC T S 5 0 0 5\nEND");
    EXPECT_NEAR(r12.total, 1.00000000025, 1e-15);
    EXPECT_EQ(r12.branches, 0);

    // A negative tolerance still ends, with the optimum.
    const Outcome negative = Solve(
        "ARC S A 0 0 10 10 100 1 20 110 -8 30\nARC A T 0 0 0 30\nARC S B 0 0 5.4 30\n"
        "ARC B T 0 0 0 30\nARC T S 20 0 0 30\nEND",
        -1.0);
    EXPECT_EQ(NumberText(negative.total), "30.");
}

// ---- The ends and the live fields.

TEST(SearchEnds, OptimalAtTheRootWritesNoBranchLine) {
    testing::FakeMonitor monitor;
    const Outcome o = Solve("ARC S T 0 0 2 10\nARC T S 4 0 0 4\nEND", 0.0, &monitor);
    EXPECT_EQ(o.end, SearchEnd::OptimalAtRoot);
    EXPECT_NE(o.runList.find("計算終了、最適解が求められました。   2026/12/07 09:30:00\r\n\r\n"
                             "Elapsed Time = 00:00:00"),
              std::string::npos);
    EXPECT_EQ(o.runList.find("Branches"), std::string::npos);
    EXPECT_EQ(Cp932ToUtf8(monitor.fields.Get(LiveField::Feasibility)), "実行可能");
    EXPECT_EQ(monitor.fields.Get(LiveField::BestTotal), "8.");
    EXPECT_EQ(monitor.fields.Get(LiveField::Gap), "0.");
    EXPECT_EQ(monitor.fields.Get(LiveField::Branches), "0");
    ASSERT_EQ(monitor.messages.size(), 1u);
    EXPECT_EQ(Cp932ToUtf8(monitor.messages[0].first), "計算終了、最適解が求められました。");
    EXPECT_EQ(monitor.messages[0].second, MessageIcon::Information);
}

TEST(SearchEnds, NoSolutionAtTheRootHasNoReport) {
    testing::FakeMonitor monitor;
    const Outcome o = Solve("ARC A B 5 0 1 10\nARC B A 0 0 1 3\nEND", 0.0, &monitor);
    EXPECT_EQ(o.end, SearchEnd::NoSolutionAtRoot);
    EXPECT_EQ(o.solution, "");
    EXPECT_TRUE(o.runList.ends_with("計算終了、解がありません。   2026/12/07 09:30:00\r\n"));
    EXPECT_EQ(monitor.fields.Get(LiveField::ResultCode), "4");
    EXPECT_EQ(Cp932ToUtf8(monitor.fields.Get(LiveField::Feasibility)), "実行不可能");
}

TEST(SearchEnds, StopDuringTheRootSaysNoSolutionWasFound) {
    testing::FakeMonitor monitor;
    monitor.stopAfterPumps = 1;
    const Outcome o = Solve("ARC S A 0 0 1 10\nARC A S 2 0 1 10\nEND", 0.0, &monitor);
    EXPECT_EQ(o.end, SearchEnd::StoppedAtRoot);
    EXPECT_TRUE(o.runList.ends_with("計算強制終了。   2026/12/07 09:30:00\r\n"));
    EXPECT_EQ(o.solution,
              "//\r\n//*****　ネットワーク最適流量費用一覧表　*****\r\n//\r\n"
              "//*****　強制終了までに解は見つかりませんでした　*****\r\n");
    EXPECT_EQ(Cp932ToUtf8(monitor.messages.at(0).first), "計算強制終了");
}

// A loop that A must pass 9 units round, which the root does not settle.
constexpr const char* kBranchingLoop =
    "TITLE loop\r\nARC S A 0 0 10 13\r\nARC A B 9 6 1 12\r\nARC B S 0 0 2 0 0 2 3\r\n"
    "ARC B A 0 3 3 6 52 2 13\r\nEND\r\n";

TEST(SearchEnds, StopBetweenSolvesIsKeptForTheNextSolve) {
    testing::FakeMonitor monitor;
    monitor.stopOnField = LiveField::ResultCode;  // raised right after the root solve
    const Outcome o = Solve(kBranchingLoop, 0.0, &monitor);
    EXPECT_EQ(o.end, SearchEnd::StoppedInBranch);
    EXPECT_EQ(o.branches, 0);
    EXPECT_EQ(o.updates, 1);
    EXPECT_NE(o.runList.find("計算強制終了。   "), std::string::npos);
    EXPECT_NE(o.runList.find("Elapsed Time = 00:00:00"), std::string::npos);
}

// Both children of the root are solved; the selection then finds nothing open.
// The time the end message stays open is not the calculation's.
TEST(SearchEnds, BranchLineAndFieldsAfterBranching) {
    testing::FakeMonitor monitor;
    monitor.secondsPerMessage = 13;
    const Outcome o = Solve(kBranchingLoop, 0.0, &monitor);
    EXPECT_EQ(o.end, SearchEnd::Exhausted);
    EXPECT_EQ(NumberText(o.total), "63.");
    EXPECT_NE(o.runList.find("\r\n\r\nBranches = 2\r\n\r\nElapsed Time = 00:00:00"),
              std::string::npos);
    EXPECT_TRUE(o.runList.ends_with("Elapsed Time = 00:00:00"));
    EXPECT_EQ(monitor.fields.Get(LiveField::Branches), "2");
    EXPECT_EQ(monitor.fields.Get(LiveField::BestTotal), "63.");
}

TEST(SearchEnds, ExhaustedWithoutASolution) {
    // Root feasible only through a fractional envelope flow that no child keeps.
    const Outcome o = Solve("ARC A B 0 0 0 0 5 0 4\nARC B A 2 0 0 2\nARC A B 0 0 0 0\nEND");
    ASSERT_TRUE(o.end);
    EXPECT_NE(*o.end, SearchEnd::NoSolutionAtRoot);
}

TEST(SearchEnds, ALargeToleranceEndsAtTheRoot) {
    const Outcome o = Solve(
        "ARC S A 0 0 5 10\nARC S B 0 0 4 8 40 2 20\nARC A T 0 0 1 10\nARC B T 0 0 1 20\n"
        "ARC T S 15 0 0 15\nEND",
        1000.0);
    EXPECT_EQ(o.end, SearchEnd::OptimalAtRoot);
    EXPECT_EQ(o.branches, 0);
}

// ---- The solution table.

TEST(SolutionTable, ColumnsAreByteExact) {
    const Outcome o =
        Solve("ARC A B 0 1500 0 30\nARC B A 30 0 0.05 30\nARC ABCDEFGH A 0 0 0 0\nEND");
    EXPECT_EQ(o.solution,
              "//\r\n//*****　ネットワーク最適流量費用一覧表　*****\r\n//\r\n"
              "  No.   From      To             Lower    Upper      Arc Cost      Flow \r\n"
              "   1    A         B                0        30         1500.         30  \r\n"
              "   2    B         A               30        30           1.5         30  \r\n"
              "   3    ABCDEFGH  A                0         0            0.          0  \r\n"
              "\r\n輸送費用合計 =       1501.5\r\n");
}

// ---- The convex envelope of one arc.

class OneArc : public ::testing::Test {
  protected:
    // Parses `text` into the working tables.
    void Parse(const std::string& text) {
        ProblemParser parser(tables_, monitor_);
        std::string runList;
        ASSERT_TRUE(parser.ParseProblem(text, runList));
        std::copy(tables_.ArcTable.begin(), tables_.ArcTable.end(), tables_.WorkArcTable.begin());
        std::copy(tables_.PieceTable.begin(), tables_.PieceTable.end(),
                  tables_.WorkPieceTable.begin());
    }
    // (end, slope) of each segment of the first arc's envelope.
    std::vector<std::pair<std::int64_t, double>> Envelope(const std::string& text) {
        Parse(text);
        BuildEnvelope(tables_.WorkArcTable[0], tables_.WorkPieceTable.data(), envelope_);
        std::vector<std::pair<std::int64_t, double>> segments;
        for (const EnvelopeSegment& s : envelope_.segments) {
            segments.emplace_back(s.end, s.slope);
        }
        return segments;
    }
    using Segments = std::vector<std::pair<std::int64_t, double>>;

    ProblemTables tables_;
    testing::FakeMonitor monitor_;
    ArcEnvelope envelope_;
};

TEST_F(OneArc, EnvelopeShapes) {
    const struct {
        const char* name;
        const char* text;
        Segments segments;
    } cases[] = {
        {"convex keeps every piece",
         "ARC A B 0 0 1 10 10 2 20 30 3 30\nEND",
         {{10, 1.0}, {20, 2.0}, {30, 3.0}}},
        {"concave is one chord", "ARC A B 0 0 3 10 30 1 20\nEND", {{20, 2.0}}},
        {"a jump up is bridged below", "ARC A B 0 0 1 10 50 1 20\nEND", {{10, 1.0}, {20, 5.0}}},
        // 0 at 0, 100 at 10, then 105 at 11 after the drop: no flow costs 5 at 10.
        {"a drop is wrapped at the first flow after it",
         "ARC A B 0 0 10 10 5 100 20\nEND",
         {{11, 105.0 / 11.0}, {20, 100.0}}},
        {"collinear ends give equal slopes",
         "ARC A B 0 0 1 10 10 1 20\nEND",
         {{10, 1.0}, {20, 1.0}}},
        {"a negative lower bound", "ARC A B -3 0 1 -1 2 3 1\nEND", {{-1, 1.0}, {1, 3.0}}},
        {"a tiny unit cost is 0", "ARC A B 0 0 0.00000000005 10\nEND", {{10, 0.0}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Envelope(c.text), c.segments) << c.name;
    }
}

// Random arcs (jumps both ways, concave and convex runs): the envelope is
// convex, lies below the cost at every flow and touches it at its vertices,
// which makes it the hull.
TEST_F(OneArc, EnvelopeIsTheHullOfTheCosts) {
    std::mt19937 random(11);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (int trial = 0; trial < 300; ++trial) {
        std::ostringstream text;
        const int lower = pick(-5, 5);
        int end = lower + pick(1, 6);
        // Bases never fall; a piece's base below the last one's end is a drop.
        int base = pick(-20, 20);
        text << "ARC A B " << lower << ' ' << base << ' ' << pick(-6, 6) << ' ' << end;
        for (int k = pick(0, 8); k > 0; --k) {
            end += pick(1, 7);
            base += pick(0, 40);
            text << ' ' << base << ' ' << pick(-6, 6) << ' ' << end;
        }
        text << "\nEND";
        SCOPED_TRACE(text.str());
        const Segments segments = Envelope(text.str());
        const ArcRecord& arc = tables_.WorkArcTable[0];
        const PieceRecord* pieces = tables_.WorkPieceTable.data();
        const auto cost = [&](std::int64_t flow) { return TrueArcCost(arc, pieces, flow, false); };
        ASSERT_FALSE(segments.empty());
        ASSERT_EQ(segments.back().first, end);
        const auto envelope = [&](std::int64_t flow) {
            return EnvelopeValue(envelope_, lower, flow);
        };
        EXPECT_NEAR(envelope(lower), cost(lower), 1e-9);
        double lastSlope = -LargestDouble;
        for (const auto& [to, slope] : segments) {
            EXPECT_GE(slope, lastSlope - 1e-9);
            lastSlope = slope;
            EXPECT_NEAR(envelope(to), cost(to), 1e-9) << to;
        }
        for (std::int64_t x = lower; x <= end; ++x) {
            EXPECT_LE(envelope(x), cost(x) + 1e-9) << x;
        }
    }
}

// ---- Narrowing an arc to a range: the pieces outside go, the first kept
// piece starts at the range's low end, the last ends at its high end, and
// the next arc's pieces move down unchanged.

TEST_F(OneArc, NarrowingKeepsThePiecesOfTheRange) {
    const struct {
        std::int64_t lo, hi;
        std::int32_t lower;
        double baseCost;
        std::int32_t upper, pieceCount, workPieces;
    } cases[] = {
        {0, 10, 0, 0.0, 10, 1, 1},     // the first piece
        {11, 30, 11, 12.0, 20, 2, 2},  // one past a breakpoint, costed on piece 2
        {21, 30, 21, 33.0, 30, 1, 1},  // the last piece
        {0, 20, 0, 0.0, 10, 2, 2},     // the first two pieces
        {3, 25, 3, 3.0, 10, 3, 3},     // cut inside pieces at both ends
    };
    for (const auto& c : cases) {
        Parse("ARC A B 0 0 1 10 10 2 20 30 3 30\nARC B A 0 0 1 5 5 1 9\nEND");
        BranchSetUp setUp(tables_);
        setUp.Start();
        setUp.Restrict(0, c.lo, c.hi);
        setUp.SetUpRoot();
        const ArcRecord& arc = tables_.WorkArcTable[0];
        EXPECT_EQ(std::tie(arc.lower, arc.baseCost, arc.upper, arc.pieceCount),
                  std::tie(c.lower, c.baseCost, c.upper, c.pieceCount))
            << c.lo << ".." << c.hi;
        ASSERT_EQ(tables_.WorkPieceCount, c.workPieces);
        const std::int32_t last = arc.pieceCount - 2;
        if (last >= 0) {
            EXPECT_EQ(tables_.WorkPieceTable[static_cast<std::size_t>(last)].upper,
                      std::min<std::int64_t>(c.hi, 30));
        }
        const PieceRecord& next =
            tables_.WorkPieceTable[static_cast<std::size_t>(c.workPieces - 1)];
        EXPECT_EQ(next.upper, 9);
        EXPECT_EQ(next.baseCost, 5.0);
    }
}

// The sample: T->S carries exactly 15, S->A at most 10, so S->B carries 5..15.
TEST_F(OneArc, RangesNarrowToWhatTheEndsCarry) {
    Parse(
        "ARC S A 0 0 5 10\nARC S B 0 0 4 8 40 2 20\nARC A T 0 0 1 10\nARC B T 0 0 1 20\n"
        "ARC T S 15 0 0 15\nARC T T 0 0 -1 4\nEND");
    BranchSetUp setUp(tables_);
    setUp.Start();
    setUp.TightenRanges();
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {{0, 10}, {5, 15},  {0, 10},
                                                                         {5, 15}, {15, 15}, {0, 4}};
    for (std::int32_t a = 0; a < 6; ++a) {
        EXPECT_EQ(std::make_pair(setUp.RangeLow(a), setUp.RangeHigh(a)),
                  expected[static_cast<std::size_t>(a)])
            << "arc " << a + 1;
    }
    setUp.SetUpRoot();
    // S->B starts at 5 on its first piece and its second piece ends at 15.
    const ArcRecord& arc = tables_.WorkArcTable[1];
    EXPECT_EQ(arc.lower, 5);
    EXPECT_EQ(arc.baseCost, 20.0);
    EXPECT_EQ(arc.upper, 8);
    EXPECT_EQ(arc.pieceCount, 2);
    EXPECT_EQ(tables_.WorkPieceTable[0].upper, 15);
    // A range the search learns later narrows further.
    setUp.Restrict(1, 7, 30);
    EXPECT_EQ(std::make_pair(setUp.RangeLow(1), setUp.RangeHigh(1)),
              std::make_pair(std::int64_t{7}, std::int64_t{15}));
}

// ---- Opening rules: only where every arc that may enter the node is
// charged and the node must pass flow on.

TEST_F(OneArc, OpeningRulesOnlyWhereEveryEntryIsCharged) {
    const struct {
        const char* name;
        const char* text;
        std::size_t rules;
    } cases[] = {
        {"two charged entries, 4 to pass on",
         "ARC R S 4 0 0 4\nARC S A 0 0 0 0 10 1 4\nARC S A 0 0 0 0 12 1 4\nARC A R 4 0 0 4\nEND",
         1},
        {"one entry without a charge",
         "ARC R S 4 0 0 4\nARC S A 0 0 0 0 10 1 4\nARC S A 0 0 3 4\nARC A R 4 0 0 4\nEND", 0},
        {"nothing to pass on", "ARC R S 0 0 0 4\nARC S A 0 0 0 0 10 1 4\nARC A R 0 0 0 4\nEND", 0},
        {"an entry that carries no positive flow does not count",
         "ARC R S 4 0 0 4\nARC S A 0 0 0 0 10 1 4\nARC S A -3 0 1 0\nARC A R 4 0 0 4\nEND", 1},
        {"a charge above a lower bound is no opening",
         "ARC R S 4 0 0 4\nARC S A 1 0 0 1 10 1 4\nARC A R 4 0 0 4\nEND", 0},
    };
    for (const auto& c : cases) {
        Parse(c.text);
        std::vector<std::int64_t> end;
        std::int32_t piece = 0;
        for (const ArcRecord& arc : tables_.ArcTable) {
            piece += arc.pieceCount - 1;
            end.push_back(arc.pieceCount == 1 ? arc.upper : tables_.PieceTable[piece - 1].upper);
        }
        OpeningRules rules;
        rules.Find(tables_, end);
        EXPECT_EQ(rules.Count(), c.rules) << c.name;
    }
}

// A set of nodes that must pass flow on out of the set needs an open arc
// into it, found where the openings of the arcs into it fall short of 1.
TEST_F(OneArc, SetRulesWhereTheOpeningsIntoASetFallShort) {
    const char* const chain =
        "ARC R S 4 0 0 4\nARC S W 0 0 0 0 10 1 4\nARC S W 0 0 0 0 12 1 4\n"
        "ARC W T 0 0 3 4\nARC T R 4 0 0 4\n";
    const struct {
        const char* name;
        std::string text;
        double opening;  // of each charged arc
        std::size_t rules;
    } cases[] = {
        {"openings 0.3 + 0.3 into {W, T}", std::string(chain) + "END", 0.3, 1},
        {"openings that reach 1", std::string(chain) + "END", 0.5, 0},
        {"an uncharged way round the charged arcs", std::string(chain) + "ARC S T 0 0 9 4\nEND",
         0.3, 0},
        {"nothing to pass on", "ARC S W 0 0 0 0 10 1 4\nARC W T 0 0 3 4\nARC T S 0 0 0 4\nEND", 0.3,
         0},
    };
    for (const auto& c : cases) {
        Parse(c.text);
        std::vector<std::int64_t> end;
        std::vector<double> opening;
        for (const ArcRecord& arc : tables_.ArcTable) {
            end.push_back(4);
            opening.push_back(IsCharged(arc) ? c.opening : 0.0);
        }
        OpeningRules rules;
        rules.Find(tables_, end);
        EXPECT_EQ(rules.Count(), 0U) << c.name;  // no single node is ruled
        EXPECT_EQ(rules.AddSetRules(tables_, end, opening, 10), c.rules) << c.name;
        // A rule once found is not added again.
        EXPECT_EQ(rules.AddSetRules(tables_, end, opening, 10), 0U) << c.name;
    }
}

// Prices on the rules lift the root bound of a fixed-charge network far
// above the envelopes' own, and never above the optimum.
TEST(OpeningRules, LiftTheRootBoundOfAFixedChargeNetwork) {
    FixedChargeOptions options;
    options.arcs = 40;
    options.nodes = 12;
    options.sources = 2;
    options.sinks = 4;
    const std::string text = GenerateFixedChargeProblem(options);
    const auto rootBound = [&](SearchMethodsFactory methods, long stopAfter, double& total) {
        testing::FakeMonitor monitor;
        monitor.stopAfterBranches = stopAfter;
        CalculationRun run(monitor, 0.0, methods);
        run.Run(text);
        total = run.IncumbentCost();
        return run.RootBound();
    };
    double optimum = 0.0;
    double unused = 0.0;
    const double lifted = rootBound(FastSearchMethods, -1, optimum);
    const double plain = rootBound(PlainSearchMethods, 1, unused);
    EXPECT_GT(lifted - plain, 0.3 * (optimum - plain));
    EXPECT_LE(lifted, optimum + 1e-6);
}

// A search held to a few records turns depth first, reuses the records of
// finished subtrees, and still proves the same optimum.
TEST(BranchList, ALimitedListStillReachesTheOptimum) {
    FixedChargeOptions options;
    options.layout = FixedChargeLayout::Layered;
    options.arcs = 300;
    options.nodes = 75;
    options.sources = 2;
    options.sinks = 15;
    const std::string text = GenerateFixedChargeProblem(options);
    const auto solve = [&](std::int32_t limit, std::int32_t& capacity, std::int32_t& branches) {
        ProblemTables tables;
        testing::FakeMonitor monitor;
        ProblemParser parser(tables, monitor);
        std::string runList;
        EXPECT_TRUE(parser.ParseProblem(text, runList));
        BranchSearch search(tables, monitor, 0.0, FastSearchMethods(tables, monitor));
        search.RecordLimit = limit;
        std::string solution;
        const SearchEnd end = search.RunSearch(runList, solution);
        EXPECT_TRUE(end == SearchEnd::OptimalInBranch || end == SearchEnd::Exhausted);
        capacity = tables.BranchCapacity;
        branches = tables.BranchesSolved;
        return search.IncumbentCost;
    };
    std::int32_t freeCapacity = 0, limitedCapacity = 0, freeBranches = 0, limitedBranches = 0;
    const double unlimited = solve(1 << 22, freeCapacity, freeBranches);
    const double limited = solve(60, limitedCapacity, limitedBranches);
    EXPECT_EQ(limited, unlimited);
    ASSERT_GT(freeCapacity, 100) << "the problem must need more records than the limit";
    EXPECT_LE(limitedCapacity, 100);
    // Without reuse the list would hold two records per branch.
    EXPECT_LT(freeCapacity, freeBranches * 3 / 2);
}

// ---- Against exhaustive enumeration on small random problems.

struct RandomArc {
    int from;
    int to;
    int lower;
    std::vector<std::tuple<double, double, int>> pieces;  // base, unit, end
};

double TrueCost(const RandomArc& arc, int x) {
    const auto& [base1, unit1, end1] = arc.pieces[0];
    if (x <= end1) {
        if (arc.pieces.size() == 1 && base1 == 0.0) {
            return x * unit1;
        }
        return base1 + unit1 * (x - arc.lower);
    }
    for (std::size_t k = 1; k < arc.pieces.size(); ++k) {
        const auto& [base, unit, end] = arc.pieces[k];
        if (end >= x) {
            return base + unit * (x - std::get<2>(arc.pieces[k - 1]));
        }
    }
    return 0.0;
}

// The cheapest circulation by trying every integer flow; nothing when none exists.
std::optional<double> Enumerate(const std::vector<RandomArc>& arcs, int nodes) {
    std::optional<double> best;
    std::vector<int> flow(arcs.size());
    for (std::size_t i = 0; i < arcs.size(); ++i) {
        flow[i] = arcs[i].lower;
    }
    while (true) {
        std::vector<int> balance(static_cast<std::size_t>(nodes), 0);
        double cost = 0.0;
        for (std::size_t i = 0; i < arcs.size(); ++i) {
            balance[static_cast<std::size_t>(arcs[i].from)] -= flow[i];
            balance[static_cast<std::size_t>(arcs[i].to)] += flow[i];
            cost += TrueCost(arcs[i], flow[i]);
        }
        if (std::all_of(balance.begin(), balance.end(), [](int b) { return b == 0; }) &&
            (!best || cost < *best)) {
            best = cost;
        }
        std::size_t i = 0;
        for (; i < arcs.size(); ++i) {
            if (++flow[i] <= std::get<2>(arcs[i].pieces.back())) {
                break;
            }
            flow[i] = arcs[i].lower;
        }
        if (i == arcs.size()) {
            return best;
        }
    }
}

// Every rule that narrows, prunes or prices is exercised here: negative
// costs and bounds, jumps both ways, charged arcs, infeasible problems.
TEST(Oracle, RandomSmallProblemsReachTheEnumeratedOptimum) {
    std::mt19937 random(20261207);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    int feasible = 0;
    for (int problem = 0; problem < 1500; ++problem) {
        const int nodes = pick(2, 4);
        std::vector<RandomArc> arcs(static_cast<std::size_t>(pick(2, 5)));
        std::string text;
        for (RandomArc& arc : arcs) {
            arc.from = pick(0, nodes - 1);
            arc.to = pick(0, nodes - 1);
            if (pick(0, 2) == 0) {
                // Charged: free at 0, a charge from 1 on (where opening rules apply).
                arc.lower = 0;
                arc.pieces = {{0.0, 0.0, 0}, {pick(1, 8), pick(-1, 3), pick(1, 4)}};
                const auto& [charge, unit, end] = arc.pieces[1];
                text += "ARC N" + std::to_string(arc.from) + " N" + std::to_string(arc.to) +
                        " 0 0 0 0 " + std::to_string(static_cast<int>(charge)) + ' ' +
                        std::to_string(static_cast<int>(unit)) + ' ' + std::to_string(end) + "\n";
                continue;
            }
            arc.lower = pick(-2, 2);
            int end = arc.lower + pick(0, 3);
            double base = pick(0, 1) == 0 ? 0.0 : pick(-3, 5);
            const int pieceCount = pick(1, 3);
            std::ostringstream line;
            line << "ARC N" << arc.from << " N" << arc.to << ' ' << arc.lower;
            for (int k = 0; k < pieceCount; ++k) {
                const double unit = pick(-3, 4);
                if (k > 0) {
                    end += pick(0, 3);
                    base += pick(0, 6);  // jumps up and down relative to the end value
                }
                arc.pieces.emplace_back(base, unit, end);
                line << ' ' << base << ' ' << unit << ' ' << end;
            }
            text += line.str() + "\n";
        }
        text += "END\n";
        const std::optional<double> optimum = Enumerate(arcs, nodes);
        const Outcome o = Solve(text);
        ASSERT_TRUE(o.end) << text;
        if (!optimum) {
            EXPECT_TRUE(o.end == SearchEnd::NoSolutionAtRoot ||
                        o.end == SearchEnd::ExhaustedNoSolution)
                << text;
            continue;
        }
        ++feasible;
        EXPECT_NE(o.end, SearchEnd::NoSolutionAtRoot) << text;
        EXPECT_NE(o.end, SearchEnd::ExhaustedNoSolution) << text;
        EXPECT_NEAR(o.total, *optimum, 1e-9) << text;
        // The reported flows are a circulation within the bounds and cost the total.
        std::vector<std::int64_t> balance(static_cast<std::size_t>(nodes), 0);
        double cost = 0.0;
        for (std::size_t i = 0; i < arcs.size(); ++i) {
            const std::int64_t x = o.rows[i].flow;
            EXPECT_GE(x, arcs[i].lower) << text;
            EXPECT_LE(x, std::get<2>(arcs[i].pieces.back())) << text;
            balance[static_cast<std::size_t>(arcs[i].from)] -= x;
            balance[static_cast<std::size_t>(arcs[i].to)] += x;
            cost += TrueCost(arcs[i], static_cast<int>(x));
        }
        EXPECT_NEAR(cost, o.total, 1e-9) << text;
    }
    EXPECT_GT(feasible, 400);
}

}  // namespace
}  // namespace kova
