// Conversions into and out of the data language: exact where they convert,
// one clear error where they cannot.
#include <gtest/gtest.h>

#include <string>

#include "formats/arc_table.h"
#include "formats/dimacs.h"
#include "generator/problem_generator.h"
#include "parser/problem_parser.h"
#include "run/calculation_run.h"
#include "support/fake_monitor.h"
#include "text/cp932.h"

namespace kova::formats {
namespace {

struct Solved {
    std::optional<SearchEnd> end;
    double total = 0.0;
    std::vector<std::int64_t> flows;
};

Solved Solve(const std::string& text) {
    testing::FakeMonitor monitor;
    CalculationRun run(monitor, 0.0);
    run.Run(text);
    Solved solved{run.End(), run.IncumbentCost(), {}};
    for (const auto& row : run.SolutionRows()) {
        solved.flows.push_back(row.flow);
    }
    return solved;
}

TEST(Dimacs, SuppliesBecomeACirculationWithTheSameObjective) {
    const Conversion c = DimacsToProblem(
        "c two plants, one market\n"
        "p min 3 3\n"
        "n 1 5\nn 2 3\nn 3 -8\n"
        "a 1 3 0 10 4\n"
        "a 2 3 1 10 6\n"
        "a 1 2 0 2 -1\n",
        "plants 1");
    ASSERT_TRUE(c.ok()) << c.error;
    EXPECT_EQ(c.text,
              "TITLE plants_1\r\nARC 1 3 0 0 4 10\r\nARC 2 3 1 0 6 10\r\nARC 1 2 0 0 -1 2\r\n"
              "! supplies and demands as a circulation\r\n"
              "ARC SOURCE 1 5 0 0 5\r\nARC SOURCE 2 3 0 0 3\r\nARC 3 SINK 8 0 0 8\r\n"
              "ARC SINK SOURCE 8 0 0 8\r\nEND\r\n");
    // 5 from plant 1 straight (20), 3 from plant 2 (18): 38.
    const Solved s = Solve(c.text);
    EXPECT_EQ(s.total, 38.0);
}

TEST(Dimacs, RefusesWhatItCannotCarryWithItsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "line 0: no problem line"},
        {"c only a comment\n", "line 1: no problem line"},
        {"a 1 2 0 1 1\np min 2 1\n", "line 1: a a line before the problem line"},
        {"p max 2 1\n", "line 1: the problem line must read"},
        {"p min 2 1\np min 2 1\n", "line 2: a second problem line"},
        {"p min 2 2\na 1 2 0 4 1\n", "line 2: the problem line announces 2 arcs, but 1 follow"},
        {"p min 2 1\na 1 2 0 4 1\na 2 1 0 4 1\n", "line 3: more arcs than the problem line"},
        {"p min 2 1\na 1 3 0 4 1\n", "line 2: node 3 is not between 1 and 2"},
        {"p min 2 1\na 1 2 0 4 x\n", "line 2: 'x' is not a whole number"},
        {"p min 2 1\na 1 2 0 4 1.5\n", "line 2: '1.5' is not a whole number"},
        {"p min 2 1\na 1 2 0 4\n", "line 2: an a line has 5 values"},
        {"p min 2 1\na 1 2 5 4 1\n", "line 2: the lower bound 5 exceeds the capacity 4"},
        {"p min 2 1\na 1 2 0 2147483647 1\n", "line 2: the capacity 2147483647 lies beyond"},
        {"p min 2 1\na 1 2 0 99999999999999999999 1\n", "is not a whole number"},
        {"p min 2 1\nn 1 5\nn 1 5\n", "line 3: node 1 has a second n line"},
        {"p min 2 1\nn 1 5\na 1 2 0 9 1\n", "line 3: the supplies (5) and the demands (0) do not balance"},
        {"p min 123456789 0\n", "line 1: 123456789 nodes"},
        {"p min 2 1\nx 1 2\n", "line 2: a line starts with 'x'"},
    };
    for (const auto& [input, expected] : cases) {
        const Conversion c = DimacsToProblem(input, "t");
        EXPECT_NE(c.error.find(expected), std::string::npos) << input << "\n-> " << c.error;
        EXPECT_EQ(c.text, "") << input;
    }
}

// Data language -> DIMACS -> data language: the same total and flows.
TEST(Dimacs, RoundTripsLinearProblemsExactly) {
    for (std::uint64_t seed = 1; seed <= 150; ++seed) {
        GeneratorOptions options;
        options.seed = seed;
        options.arcs = 5 + static_cast<int>(seed % 40);
        options.nodes = 2 + options.arcs / 3;
        options.multiPieceShare = 0.0;
        options.negativeBounds = seed % 3 == 0;
        options.negativeCosts = seed % 2 == 0;
        options.feasible = seed % 7 != 0;
        const std::string text = GenerateProblem(options);
        ProblemTables tables;
        FixedClock clock(DateTime{});
        ProblemParser parser(tables, clock);
        std::string runList;
        ASSERT_TRUE(parser.ParseProblem(text, runList)) << text;
        const Conversion dimacs = ProblemToDimacs(tables);
        ASSERT_TRUE(dimacs.ok()) << dimacs.error << "\n" << text;
        const Conversion back = DimacsToProblem(dimacs.text, "back");
        ASSERT_TRUE(back.ok()) << back.error << "\n" << dimacs.text;
        const Solved a = Solve(text);
        const Solved b = Solve(back.text);
        SCOPED_TRACE(text + "\n" + dimacs.text);
        ASSERT_EQ(a.end.has_value(), b.end.has_value());
        EXPECT_EQ(a.end == SearchEnd::NoSolutionAtRoot, b.end == SearchEnd::NoSolutionAtRoot);
        if (a.end != SearchEnd::NoSolutionAtRoot) {
            EXPECT_EQ(a.total, b.total);
            // The same network solves to the same flows; with the two arcs
            // that carry a constant, to another optimum where there are ties.
            if (b.flows.size() == a.flows.size()) {
                EXPECT_EQ(a.flows, b.flows);
            }
        }
    }
}

TEST(Dimacs, ExportRefusesCostsItCannotWrite) {
    const std::pair<const char*, const char*> cases[] = {
        {"ARC A B 0 0 1 5 10 2 9\nARC B A 0 0 0 9\nEND", "has 2 cost pieces"},
        {"ARC A B 0 0 1.5 5\nARC B A 0 0 0 9\nEND", "unit cost 1.5"},
        {"ARC A B 1 7.5 2 5\nARC B A 0 0 0 9\nEND", "a constant of 5.5"},
    };
    for (const auto& [text, expected] : cases) {
        ProblemTables tables;
        FixedClock clock(DateTime{});
        ProblemParser parser(tables, clock);
        std::string runList;
        ASSERT_TRUE(parser.ParseProblem(text, runList)) << text;
        const Conversion c = ProblemToDimacs(tables);
        EXPECT_NE(c.error.find(expected), std::string::npos) << text << "\n-> " << c.error;
    }
}

TEST(ArcTable, ReadsEitherSeparatorEncodingAndQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"from,to,lower,base,unit,end\r\nS,T,0,0,5,10\r\nT,S,2,0,0,10\r\n",
         "TITLE t\r\nARC S T 0 0 5 10\r\nARC T S 2 0 0 10\r\nEND\r\n"},
        // Semicolons, a BOM, quoted cells, a second piece left out, a blank line.
        {"\xEF\xBB\xBF" "From;To;Lower;Base;Unit;End;Base;Unit;End\n\"東京\";\"A\";0;0;1,5;10;20;2;30\n"
         "\nA;東京;0;0;0;30;;;\n",
         Cp932ToUtf8("") + "TITLE t\r\nARC " + Utf8ToCp932("東京").bytes +
             " A 0 0 1.5 10 20 2 30\r\n\r\nARC A " + Utf8ToCp932("東京").bytes + " 0 0 0 30\r\nEND\r\n"},
    };
    for (const auto& [input, expected] : cases) {
        const Conversion c = ArcTableToProblem(input, "t");
        ASSERT_TRUE(c.ok()) << c.error;
        EXPECT_EQ(c.text, expected);
    }
    // Code page 932 bytes pass through as they are.
    const std::string cp932 = Utf8ToCp932("from,to,lower,base,unit,end\n大阪,B,0,0,1,4\n").bytes;
    const Conversion c = ArcTableToProblem(cp932, "t");
    ASSERT_TRUE(c.ok()) << c.error;
    EXPECT_EQ(Cp932ToUtf8(c.text), "TITLE t\r\nARC 大阪 B 0 0 1 4\r\nEND\r\n");
}

TEST(ArcTable, RefusesBadCellsWithRowAndColumn) {
    const std::string header = "from,to,lower,base,unit,end\n";
    const std::pair<std::string, const char*> cases[] = {
        {"", "row 1: the table is empty"},
        {"from,to,lower,base,unit,end,cost\n", "row 1, column 7: unknown column 'cost'"},
        {"to,from,lower,base,unit,end\n", "row 1, column 1: the columns must come"},
        {"from,to,lower\n", "row 1: the header needs"},
        {header, "no arc rows"},
        {header + "S,T,0,0,5\n", "row 2: has 5 cells, the header 6"},
        {header + "S,T,zero,0,5,10\n", "row 2, column 3: 'zero' is not a number"},
        {header + "S,T,0,0,5,10.5\n", "row 2, column 6: a bound or piece end is a whole number"},
        {header + "S,T,0,0,5,1e10\n", "row 2, column 6: 1e10 lies beyond"},
        {header + "S,,0,0,5,10\n", "row 2, column 2: the node name is empty"},
        {header + "LONGNAME9,T,0,0,5,10\n", "row 2, column 1: the node name is longer"},
        {header + "\"S T\",T,0,0,5,10\n", "row 2, column 1: a node name holds no spaces"},
        {header + "\"S,T,0,0,5,10\n", "row 2, column 1: a quoted cell does not end"},
        {"from,to,lower,base,unit,end,base,unit,end\nS,T,0,,,,1,2,3\n",
         "row 2, column 7: a piece after an empty one"},
        {header + "S,T,0,,,\n", "row 2, column 4: the arc has no cost piece"},
    };
    for (const auto& [input, expected] : cases) {
        const Conversion c = ArcTableToProblem(input, "t");
        EXPECT_NE(c.error.find(expected), std::string::npos) << input << "\n-> " << c.error;
    }
}

}  // namespace
}  // namespace kova::formats
