#include <gtest/gtest.h>

#include "parser/problem_parser.h"
#include "support/fake_monitor.h"
#include "text/cp932.h"

namespace kova {
namespace {

std::string Sj(std::string_view utf8) {
    const Utf8Conversion converted = Utf8ToCp932(utf8);
    EXPECT_TRUE(converted.ok) << utf8;
    return converted.bytes;
}

const char* const kHeader =
    "//\r\n//*****　KOVA計算経過一覧表　*****\r\n//\r\n"
    "K O V A Data Input                  2026/12/07 09:30:00\r\n\r\nData = ";

struct Parsed {
    bool accepted;
    std::string runList;  // UTF-8
    ProblemTables tables;
};

// Parses UTF-8 text (converted to code page 932 first).
std::unique_ptr<Parsed> Parse(std::string_view utf8) {
    auto parsed = std::make_unique<Parsed>();
    testing::FakeMonitor clock;
    ProblemParser parser(parsed->tables, clock);
    std::string runList = "previous run";
    parsed->accepted = parser.ParseProblem(Sj(utf8), runList);
    parsed->runList = Cp932ToUtf8(runList);
    return parsed;
}

TEST(Parser, WorkedExample) {
    const auto p = Parse(
        "TITLE sample\r\n! two routes\r\nARC S A 0 0 5 10\r\nARC S B 0 0 4 8 40 2 20\r\n"
        "ARC A T 0 0 1 10\r\nARC B T 0 0 1 20\r\nARC T S 15 0 0 15\r\nEND\r\n");
    ASSERT_TRUE(p->accepted);
    EXPECT_EQ(p->runList,
              std::string(kHeader) +
                  "SAMPLE\r\nTHIS PROBLEM HAS 4 Nodes,  5 Arcs  DATA ERROR = 0\r\n\r\n");
    const ProblemTables& t = p->tables;
    EXPECT_EQ(t.ProblemTitle, "SAMPLE");
    EXPECT_EQ(t.NodeCount, 4);
    EXPECT_EQ(t.ArcCount, 5);
    EXPECT_EQ(t.ExtraPieceCount, 1);
    EXPECT_EQ(t.WorkPieceCount, 1);
    EXPECT_EQ(t.NameSlotCount, 6);
    EXPECT_EQ(t.NetArcBound, 8);
    EXPECT_EQ(t.ErrorCount, 0);
    for (const auto& [node, name] :
         {std::pair{0, "S       "}, {1, "A       "}, {2, "B       "}, {3, "T       "}}) {
        EXPECT_EQ(t.NameSlot(node), name);
    }
    const ArcRecord expected[] = {{0, 1, 0, 0.0, 5.0, 10, 1},
                                  {0, 2, 0, 0.0, 4.0, 8, 2},
                                  {1, 3, 0, 0.0, 1.0, 10, 1},
                                  {2, 3, 0, 0.0, 1.0, 20, 1},
                                  {3, 0, 15, 0.0, 0.0, 15, 1}};
    ASSERT_EQ(t.ArcTable.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const ArcRecord& a = t.ArcTable[i];
        const ArcRecord& e = expected[i];
        EXPECT_EQ(std::tie(a.from, a.to, a.lower, a.baseCost, a.unitCost, a.upper, a.pieceCount),
                  std::tie(e.from, e.to, e.lower, e.baseCost, e.unitCost, e.upper, e.pieceCount))
            << "arc " << i;
    }
    ASSERT_EQ(t.PieceTable.size(), 1u);
    EXPECT_EQ(t.PieceTable[0].baseCost, 40.0);
    EXPECT_EQ(t.PieceTable[0].unitCost, 2.0);
    EXPECT_EQ(t.PieceTable[0].upper, 20);
    EXPECT_EQ(t.WorkArcTable.size(), 5u);
    EXPECT_EQ(t.NetArcBound, 8);
    EXPECT_EQ(t.SolutionTable.size(), 5u);
    EXPECT_EQ(t.BestSolutionTable.size(), 5u);
}

// What follows "Data = " in the run list.
struct RunListCase {
    const char* name;
    const char* text;
    const char* tail;
};

void PrintTo(const RunListCase& c, std::ostream* os) {
    *os << c.name;
}

class ParserRunList : public ::testing::TestWithParam<RunListCase> {};

TEST_P(ParserRunList, IsByteExact) {
    const RunListCase& c = GetParam();
    const auto p = Parse(c.text);
    EXPECT_EQ(p->runList, std::string(kHeader) + c.tail);
    const bool accepted = std::string_view(c.tail).find("DATA ERROR = 0") != std::string_view::npos;
    EXPECT_EQ(p->accepted, accepted);
    EXPECT_EQ(p->tables.ErrorCount, accepted ? 0 : 1);
}

const RunListCase kRunListCases[] = {
    {"EndAlone", "END", "KOVA　Data\r\nTHIS PROBLEM HAS 0 Nodes,  0 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"TitleIsOneToken", "TITLE my problem\r\nARC S A 0 0 5 10\r\nEND\r\n",
     "MY\r\nLine 1 : 未定義の宣言文( PROBLEM )\r\n"},
    {"CaseInsensitive", "arc s a 0 0 5 10\r\nARC A T 0 0 1 10\r\nend",
     "KOVA　Data\r\nTHIS PROBLEM HAS 3 Nodes,  2 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"SeparatorsAreParenthesesAndCommas", "ARC (S, A, 0, 0, 5, 10)\r\nEND",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  1 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"ContradictoryIntegers", "ARC S A 5 0 1 3\r\nEND",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )\r\n"},
    // END on the arc's own line: the error is where the arc stands.
    {"ContradictionOnOneLine", "ARC S A 5 0 1 3 END",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )\r\n"},
    {"PieceEndsBelowThePrevious", "ARC S A 0 0 5 10 60 3 8\r\nEND",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  10　　上限 =  8 )\r\n"},
    {"PieceStartsCheaper", "ARC S A 0 70 5 10 60 3 20\r\nEND",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  70.　　上限 =  60. )\r\n"},
    {"PieceCostsInExponentForm", "ARC S A 0 0.5 5 10 0.05 3 20\r\nEND",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  0.5　　上限 =  5.e-002 "
     ")\r\n"},
    {"ErrorOnTheLastLineBeforeAnArc",
     "ARC S A 0 0 1 5\r\nARC S A 0 0 5 10 60 3 8\r\nARC A S 0 0 1 1\r\nEND",
     "KOVA　Data\r\nLine 2 : 上下限の値の与え方が矛盾している。(下限 =  10　　上限 =  8 )\r\n"},
    {"ContradictionWithNumberAhead", "ARC S A 9 0 1 5\r\n7 1 20\r\nEND",
     "KOVA　Data\r\nLine 2 : 上下限の値の与え方が矛盾している。(下限 =  9　　上限 =  5 )\r\n"},
    {"PieceGroupKnownByItsFirstValue", "ARC S A 0 0 5 10 60 3 20 END",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  1 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"CommentLineCounts", "! costs in yen\r\nARC S A 0 0 5 10\r\nNODE X\r\n",
     "KOVA　Data\r\nLine 3 : 未定義の宣言文( NODE )\r\n"},
    {"MissingEnd", "ARC S A 0 0 5 10\r\n", "KOVA　Data\r\nLine 2 : END宣言文ありません(  )\r\n"},
    {"MissingEndAfterTitle", "TITLE x", "X\r\nLine 1 : END宣言文ありません( X )\r\n"},
    {"BlanksOnly", "   ", "KOVA　Data\r\nLine 1 : END宣言文ありません(  )\r\n"},
    {"TitleLater", "ARC S A 0 0 5 10\r\nTITLE X\r\nEND",
     "KOVA　Data\r\nLine 2 : 未定義の宣言文( TITLE )\r\n"},
    {"ArcWhereANameBelongs", "ARC ARC B 0 0 1 1\r\nEND",
     "KOVA　Data\r\nLine 1 : 未定義の宣言文( ARC )\r\n"},
    {"UndefinedFirstStatement", "NODE A\r\nEND",
     "KOVA　Data\r\nLine 1 : 未定義の宣言文( NODE )\r\n"},
    // Every LF counts one line, blank lines and LF-only texts included.
    {"LineFeedsCount",
     "! the second ARC is on line 5\r\nARC S A 0 0 1 10\r\n\r\n\r\nARC A S 5 0 1 3\r\nEND\r\n",
     "KOVA　Data\r\nLine 5 : 上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )\r\n"},
    {"LineFeedOnly", "! the second ARC is on line 5\nARC S A 0 0 1 10\n\n\nARC A S 5 0 1 3\nEND\n",
     "KOVA　Data\r\nLine 5 : 上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )\r\n"},
    {"LoneCarriageReturn", "ARC S A 0 0 1 10\rNODE\nX\rEND",
     "KOVA　Data\r\nLine 1 : 未定義の宣言文( NODE )\r\n"},
    // A text with CR-only line ends is one line: its errors are on line 1, or 0 by the
    // contradictory-bounds rule.
    {"CarriageReturnsOnly", "ARC S A 0 0 1 10\rARC A S 5 0 1 3\rEND\r",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )\r\n"},
    {"LineFeedCarriageReturn", "ARC S A 0 0 1 10\n\rNODE",
     "KOVA　Data\r\nLine 2 : 未定義の宣言文( NODE )\r\n"},
    // A "!" ends the token and the rest of its line is skipped.
    {"CommentEndsAToken", "ARC S A 0 0 1 10! first arc\r\nARC A S 0 0 1 10\r\nEND",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  2 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"CommentInTitle", "TITLE demo!x\r\nEND",
     "DEMO\r\nTHIS PROBLEM HAS 0 Nodes,  0 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"BlankAfterComment", "! note\r\n  NODE", "KOVA　Data\r\nLine 2 : 未定義の宣言文( NODE )\r\n"},
    {"CommentsInARow", "!a\r\n!b\r\n!c\r\nX", "KOVA　Data\r\nLine 4 : 未定義の宣言文( X )\r\n"},
    {"TokenBeforeCommentKeepsItsLine", "ARC S A 0 0 1 10\r\nX! y\r\nEND",
     "KOVA　Data\r\nLine 2 : 未定義の宣言文( X )\r\n"},
    // Node names over 8 bytes.
    {"LongName", "ARC ABCDEFGH1 B 2 0 1 5\r\nARC B ABCDEFGH2 0 0 1 5\r\nEND",
     "KOVA　Data\r\nLine 1 : 節点名が8バイトを超えています( ABCDEFGH1 )\r\n"},
    {"LongNameAfterComment",
     "! long names\r\nARC ABCDEFGH1 B 2 0 1 5\r\nARC B ABCDEFGH2 0 0 1 5\r\nEND",
     "KOVA　Data\r\nLine 2 : 節点名が8バイトを超えています( ABCDEFGH1 )\r\n"},
    {"LongEndName", "ARC B\r\nABCDEFGH2 0 0 1 5\r\nEND",
     "KOVA　Data\r\nLine 2 : 節点名が8バイトを超えています( ABCDEFGH2 )\r\n"},
    {"EarlierErrorWins", "ARC S A 5 0 1 3\r\nARC ABCDEFGHI B 0 0 1 1\r\nEND",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  5　　上限 =  3 )\r\n"},
    {"EightByteNameIsOneNode", "ARC ABCDEFGH B 0 0 1 5\r\nARC B abcdefgh 0 0 1 5\r\nEND",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  2 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"JapaneseNameTooLong", "ARC ナゴヤ駅前 B 0 0 1 5\r\nEND",
     "KOVA　Data\r\nLine 1 : 節点名が8バイトを超えています( ナゴヤ駅前 )\r\n"},
    // Values the calculation could not carry exactly are refused where they stand.
    {"BoundBeyondTheLargest",
     "ARC S A 1500000000 0 1 1600000000 0 1 2000000000\r\nARC A S 0 0 0 2000000000\r\nEND",
     "KOVA　Data\r\nLine 1 : 流量の値が±999999999を超えています( 1500000000 )\r\n"},
    {"NegativeBoundBeyondTheLargest", "ARC S A -1000000000 0 1 5\r\nEND",
     "KOVA　Data\r\nLine 1 : 流量の値が±999999999を超えています( -1000000000 )\r\n"},
    {"PieceEndBeyondTheLargest", "ARC S A 0 0 1 10\r\n20 1\r\n99999999999\r\nEND",
     "KOVA　Data\r\nLine 3 : 流量の値が±999999999を超えています( 99999999999 )\r\n"},
    {"LargestBoundsAccepted", "ARC S A -999999999 0 1 999999999\r\nEND",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  1 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"InfiniteCost", "ARC S A 0 1e400 1 10\r\nEND",
     "KOVA　Data\r\nLine 1 : 費用の値が大きすぎます( 1E400 )\r\n"},
    {"InfinitePieceCost", "ARC C D2 0 0 0 - 2 -2E395 1\nARC D2 2 5 0 0 20\nEND",
     "KOVA　Data\r\nLine 1 : 費用の値が大きすぎます( -2E395 )\r\n"},
    {"CostOverflowsOverTheRange", "ARC S A 0 1e308 1e308 10\r\nARC A S 10 1e308 0 10\r\nEND",
     "KOVA　Data\r\nLine 1 : 費用の合計が大きすぎます( S A )\r\n"},
    {"NegativeCostOverflows", "ARC S A 0 -1e308 -1e308 10\r\nARC A S 10 -1e308 0 10\r\nEND",
     "KOVA　Data\r\nLine 1 : 費用の合計が大きすぎます( S A )\r\n"},
    {"PieceCostOverflows", "ARC S A 0 0 1 10 5 1e308 20\r\nEND",
     "KOVA　Data\r\nLine 1 : 費用の合計が大きすぎます( S A )\r\n"},
    {"CostFromFlowZeroOverflows", "ARC S A 1000 0 1e306 1001\r\nEND",
     "KOVA　Data\r\nLine 1 : 費用の合計が大きすぎます( S A )\r\n"},
    // The calculation sums costs over paths through every node.
    {"TotalOverTheArcsOverflows", "ARC S A 0 2.5e306 0 1\r\nARC A S 0 2.5e306 0 1\r\nEND",
     "KOVA　Data\r\nLine 2 : 費用の合計が大きすぎます( A S )\r\n"},
    {"LargeFiniteCostsAccepted", "ARC S A 0 1e300 -1e300 10\r\nEND",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  1 Arcs  DATA ERROR = 0\r\n\r\n"},
    // The counting pass reads as the main pass does.
    {"ValueThatIsNoNumber", "ARC A B x 0 1 10\r\nARC B A 0 0 1 10\r\nEND",
     "KOVA　Data\r\nTHIS PROBLEM HAS 2 Nodes,  2 Arcs  DATA ERROR = 0\r\n\r\n"},
    {"ShortLastPiece", "ARC S A 0 0 5 10 1 END",
     "KOVA　Data\r\nLine 1 : 上下限の値の与え方が矛盾している。(下限 =  10　　上限 =  0 )\r\n"},
    {"ArcEndsTheText", "ARC S A 0 0 1 5 ARC", "KOVA　Data\r\nLine 1 : END宣言文ありません(  )\r\n"},
    // "ARC" in a value position is a value (0) in both passes.
    {"ArcAsAValue", "ARC S A 0 ARC A B 0 0 1 1\r\nEND",
     "KOVA　Data\r\nLine 2 : 上下限の値の与え方が矛盾している。(下限 =  1　　上限 =  0 )\r\n"},
    // Second bytes in a-z are not upper-cased: ナ (83 69), 田 (93 63), 都 (93 73).
    {"JapaneseNames",
     "TITle 田町\r\nARC ナゴヤ 都心 0 0 1 10\r\nARC 都心 ナゴヤa 0 0 1 10\r\nNODE\r\n",
     "田町\r\nLine 4 : 未定義の宣言文( NODE )\r\n"},
    {"JapaneseNamesAccepted",
     "TITLE 田町\r\narc ナゴヤ 都心 0 0 1 10\r\nARC 都心 ナゴヤ 0 0 1 10\r\nEnd\r\n",
     "田町\r\nTHIS PROBLEM HAS 2 Nodes,  2 Arcs  DATA ERROR = 0\r\n\r\n"},
};

INSTANTIATE_TEST_SUITE_P(FailureTable, ParserRunList, ::testing::ValuesIn(kRunListCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Parser, CountsEqualWhatTheMainPassStores) {
    // "ARC" as an end name is a node like any other.
    const auto p = Parse("ARC S ARC 0 0 1 5\r\nARC B S 0 0 1 5\r\nEND");
    ASSERT_TRUE(p->accepted);
    EXPECT_EQ(p->tables.ArcCount, 2);
    EXPECT_EQ(p->tables.NodeCount, 3);
    EXPECT_EQ(p->tables.NameSlot(1), "ARC     ");
    EXPECT_EQ(p->tables.ArcTable[1].from, 2);
    EXPECT_EQ(p->tables.ArcTable[1].to, 0);

    const auto r4 = Parse("ARC A B x 0 1 10\r\nARC B A 0 0 1 10\r\nEND");
    ASSERT_TRUE(r4->accepted);
    EXPECT_EQ(r4->tables.ArcTable[0].lower, 0);
    EXPECT_EQ(r4->tables.ArcTable[1].from, 1);
}

TEST(Parser, PiecesAndNetworkBoundAreCounted) {
    const auto p = Parse("ARC S A 0 0 1 5 6 2 9 10 1 12\r\nARC A S 0 0 1 5 6 2 9\r\nEND");
    ASSERT_TRUE(p->accepted);
    const ProblemTables& t = p->tables;
    EXPECT_EQ(t.ExtraPieceCount, 3);
    EXPECT_EQ(t.NetArcBound, 2 + 5 + 3);
    EXPECT_EQ(t.NameSlotCount, 2 + 3 + 2);
    EXPECT_EQ(t.ArcTable[0].pieceCount, 3);
    EXPECT_EQ(t.ArcTable[1].pieceCount, 2);
    EXPECT_EQ(t.PieceTable[1].upper, 12);
    EXPECT_EQ(t.PieceTable[2].baseCost, 6.0);
}

TEST(Parser, JapaneseNamesKeepTheirBytes) {
    const auto p = Parse("ARC ナゴヤa 都心 0 0 1 10\r\nARC 都心 ナゴヤA 0 0 1 10\r\nEND");
    ASSERT_TRUE(p->accepted);
    EXPECT_EQ(p->tables.NodeCount, 2);
    EXPECT_EQ(p->tables.NameSlot(0), Sj("ナゴヤA "));
    EXPECT_EQ(p->tables.NameSlot(1), Sj("都心    "));
    EXPECT_EQ(p->tables.ArcTable[1].to, 0);
}

TEST(Parser, NameRoomGrowsByFifty) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
        text += "ARC N" + std::to_string(i) + " M" + std::to_string(i) + " 0 0 1 1\n";
    }
    const auto p = Parse(text + "END");
    ASSERT_TRUE(p->accepted);
    EXPECT_EQ(p->tables.NodeCount, 120);
    EXPECT_EQ(p->tables.NameTable.size(), 8u * 150);
    EXPECT_EQ(p->tables.NameSlot(119), "M59     ");
}

TEST(Tokenizer, ReadsTokensAndLines) {
    ProblemTables tables;
    testing::FakeMonitor clock;
    ProblemParser parser(tables, clock);
    const std::string text = "arc(s,\tA)\r\n! note\r\n\r\n  x1!y\nz";
    std::vector<std::pair<std::string, int>> tokens;
    for (std::string token = parser.NextToken(text); !token.empty();
         token = parser.NextToken(text)) {
        tokens.emplace_back(token, parser.LineNo());
    }
    const std::vector<std::pair<std::string, int>> expected = {
        {"ARC", 1}, {"S", 1}, {"A", 1}, {"X1", 4}, {"Z", 5}};
    EXPECT_EQ(tokens, expected);
    EXPECT_EQ(parser.TextPos(), text.size());
}

TEST(Tokenizer, IsNumberAcceptsDigitsSignsAndPoints) {
    for (const auto& [token, number] : {std::pair{"12", true},
                                        {"-1.5", true},
                                        {"+.", true},
                                        {"", true},
                                        {"1E3", false},
                                        {"END", false},
                                        {"1,5", false}}) {
        EXPECT_EQ(ProblemParser::IsNumber(token), number) << token;
    }
}

// The editor marks the lines a run list names.
TEST(DataErrorsOf, ReadsTheErrorLinesOfARunList) {
    ProblemTables tables;
    testing::FakeMonitor clock;
    ProblemParser parser(tables, clock);
    std::string runList;
    ASSERT_FALSE(parser.ParseProblem("ARC S A 0 0 1 5\r\n\r\nNODE X\r\nEND", runList));
    runList += "Line x : not one\r\nLine 12 : second\nLine : none\r\n";
    const std::vector<DataError> errors = DataErrorsOf(runList);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, 3);
    EXPECT_EQ(errors[0].message, parser.Error()->message);
    EXPECT_EQ(errors[1].line, 12);
    EXPECT_EQ(errors[1].message, "second");
    EXPECT_TRUE(DataErrorsOf("").empty());
}

}  // namespace
}  // namespace kova
