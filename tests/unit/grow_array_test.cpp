#include <gtest/gtest.h>

#include "model/grow_array.h"
#include "model/problem_tables.h"

namespace kova {
namespace {

TEST(GrowArray, FollowsTheOneResizingRule) {
    GrowArray<std::int32_t> a;
    EXPECT_FALSE(a.HasStorage());
    a.SetSize(20);
    EXPECT_EQ(a.capacity(), 20u);
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(a[i], 0);
        a[i] = static_cast<std::int32_t>(i + 1);
    }
    // 20 / 8 = 2, clamped to 4.
    a.SetSize(21);
    EXPECT_EQ(a.capacity(), 24u);
    EXPECT_EQ(a[19], 20);
    EXPECT_EQ(a[20], 0);

    // Shrinking keeps the storage; growing again within it zero-fills.
    a.SetSize(5);
    EXPECT_EQ(a.capacity(), 24u);
    a.SetSize(10);
    EXPECT_EQ(a[4], 5);
    EXPECT_EQ(a[5], 0);

    a.SetSize(0);
    EXPECT_FALSE(a.HasStorage());
    EXPECT_EQ(a.capacity(), 0u);
}

TEST(GrowArray, StepsAreClampedAndGrowByWins) {
    GrowArray<char> a;
    a.SetSize(9000);
    a.SetSize(9001);  // 9000 / 8 = 1125, clamped to 1024
    EXPECT_EQ(a.capacity(), 10024u);
    a.SetSize(30000);  // larger than capacity + step: exactly the size
    EXPECT_EQ(a.capacity(), 30000u);

    GrowArray<BranchRecord> b;
    b.SetSize(100, 100);
    b.SetSize(101);
    EXPECT_EQ(b.capacity(), 200u);
    EXPECT_EQ(b[100].status, 0);
}

TEST(ProblemTables, ReleaseKeepsOnlyTheNames) {
    ProblemTables t;
    t.NameTable.SetSize(400);
    t.ArcCount = 3;
    t.ExtraPieceCount = 2;
    t.NetArcBound = 8;
    t.SizeFromCounts();
    t.NetArcTable.SetSize(8);
    EXPECT_EQ(t.WorkPieceCount, 2);
    t.Release();
    EXPECT_FALSE(t.ArcTable.HasStorage());
    EXPECT_FALSE(t.PieceTable.HasStorage());
    EXPECT_FALSE(t.NetArcTable.HasStorage());
    EXPECT_EQ(t.NameTable.size(), 400u);
}

TEST(ProblemTables, PiecesOfAnArcFollowThoseBeforeIt) {
    ProblemTables t;
    t.ArcCount = 3;
    t.SizeFromCounts();
    t.ArcTable[0].pieceCount = 1;
    t.ArcTable[1].pieceCount = 3;
    t.ArcTable[2].pieceCount = 2;
    EXPECT_EQ(t.FirstPieceOf(0), 0);
    EXPECT_EQ(t.FirstPieceOf(1), 0);
    EXPECT_EQ(t.FirstPieceOf(2), 2);
}

}  // namespace
}  // namespace kova
