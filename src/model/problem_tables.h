// Every table and counter of one calculation run, owned by one object.
#pragma once

#include <cstdint>
#include <string>

#include "model/grow_array.h"
#include "text/date_time.h"

namespace kova {

inline constexpr std::int32_t NameWidth = 8;
inline constexpr std::int32_t LargeInt = 999999999;
inline constexpr double ZeroSnap = 1e-10;
inline constexpr double NoSolutionCost = 999999999999999.0;
inline constexpr double LargestDouble = 1.7976931348623157e+308;

struct ArcRecord {
    std::int32_t from;
    std::int32_t to;
    std::int32_t lower;
    double baseCost;
    double unitCost;
    std::int32_t upper;
    std::int32_t pieceCount;
};

struct PieceRecord {
    double baseCost;
    double unitCost;
    std::int32_t upper;
};

// An arc's extra pieces follow the previous arc's in the piece table; this
// walks a table of arcs in order and hands each its own.
class PieceCursor {
  public:
    explicit PieceCursor(const PieceRecord* pieces) : next_(pieces) {}
    // The pieces of the next arc in order, which is `arc`.
    const PieceRecord* Take(const ArcRecord& arc) {
        const PieceRecord* own = next_;
        next_ += arc.pieceCount - 1;
        return own;
    }

  private:
    const PieceRecord* next_;
};

// Where an arc's range ends: the end of its last piece.
inline std::int32_t RangeEnd(const ArcRecord& arc, const PieceRecord* pieces) {
    return arc.pieceCount == 1 ? arc.upper : pieces[arc.pieceCount - 2].upper;
}

// Flows are 64-bit so that bounds near the int32 limits never overflow;
// wherever int32 arithmetic would not overflow the values are the same.
struct NetArcRecord {
    std::int32_t from;
    std::int32_t to;
    std::int64_t flow;
    std::int64_t flowMinusUpper;
    std::int64_t flowMinusLower;
    double reducedCost;
    double cost;
};

struct SolutionRecord {
    std::int32_t from;
    std::int32_t to;
    std::int32_t lower;
    std::int32_t upper;
    double cost;
    std::int64_t flow;
};

struct BranchRecord {
    std::int32_t parent;
    std::int32_t firstChild;
    std::int32_t secondChild;
    double bound;
    std::int32_t branchFrom;
    std::int32_t branchTo;
    std::int64_t rangeLow;  // 64-bit: the second child starts one past a breakpoint
    std::int64_t rangeHigh;
    std::int32_t status;
    std::int32_t branchArc;  // the gap arc itself, so parallel arcs stay apart
    double branchGap;        // that arc's gap, for the branching estimates
};

struct ProblemTables {
    // Counters of the pre-scan and the parser.
    std::int32_t NodeCount = 0;
    std::int32_t ArcCount = 0;
    std::int32_t ExtraPieceCount = 0;
    std::int32_t NetArcBound = 0;
    std::int32_t NameSlotCount = 0;
    std::int32_t WorkPieceCount = 0;
    std::int32_t ErrorCount = 0;

    std::string ProblemTitle;
    DateTime RunStartTime;
    DateTime RunEndTime;

    // Search and relaxation counters.
    std::int32_t BranchCapacity = 0;
    std::int32_t BranchesSolved = 0;
    std::int32_t IncumbentUpdates = 0;
    std::int32_t RelaxationState = 0;
    std::int32_t NetArcCount = 0;
    std::int32_t NetNodeCount = 0;
    // Text last written to the elapsed-time field, so it is written only on change.
    std::string ShownElapsedText;

    GrowArray<char> NameTable;
    GrowArray<ArcRecord> ArcTable;
    GrowArray<PieceRecord> PieceTable;
    GrowArray<ArcRecord> WorkArcTable;
    GrowArray<PieceRecord> WorkPieceTable;
    GrowArray<NetArcRecord> NetArcTable;
    GrowArray<SolutionRecord> SolutionTable;
    GrowArray<SolutionRecord> BestSolutionTable;
    GrowArray<BranchRecord> BranchList;

    // Sizes every parsed and working table from the pre-scan counts.
    void SizeFromCounts();

    // End of a run: every table but NameTable gives its storage back.
    void Release();

    // First PieceRecord of arc `arc`: the pieces of the arcs before it, summed.
    std::int32_t FirstPieceOf(std::int32_t arc) const;
    // The same in the working tables, whose arcs a branch may have narrowed
    // to fewer pieces.
    std::int32_t FirstWorkPieceOf(std::int32_t arc) const;

    // The 8 bytes of a node's name slot, blanks included.
    std::string NameSlot(std::int32_t node) const;
};

}  // namespace kova

