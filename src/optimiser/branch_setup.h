// Working copies of the arc and piece tables for one subproblem: rebuilt
// from the parsed tables in one pass, each ancestor's branch arc cut down
// to the flow range the subproblem allows (the deepest range of an arc wins).
#pragma once

#include <cstdint>
#include <vector>

#include "model/problem_tables.h"

namespace kova {

class BranchSetUp {
  public:
    explicit BranchSetUp(ProblemTables& tables) : t_(tables) {}

    // A new search: every arc's range as parsed.
    void Start();
    // Narrows every arc to the flows it can carry in a circulation, as far
    // as the bounds of the arcs at its two ends tell.
    void TightenRanges();
    // Narrows one arc's range for the rest of the search.
    void Restrict(std::int32_t arc, std::int64_t lo, std::int64_t hi);
    std::int64_t RangeLow(std::int32_t arc) const { return low_[static_cast<std::size_t>(arc)]; }
    std::int64_t RangeHigh(std::int32_t arc) const { return high_[static_cast<std::size_t>(arc)]; }

    // The working tables of the root: the parsed ones, narrowed.
    void SetUpRoot();
    // `branchToSolve` is the record to set up, `selectedBranch` its parent.
    // False when some arc is left no flow: the subproblem has no solution.
    bool SetUpBranch(std::int32_t branchToSolve, std::int32_t selectedBranch);

  private:
    struct Range {
        std::int32_t arc;
        std::int64_t lo;
        std::int64_t hi;
    };

    // Writes `arc` narrowed to lo..hi from its pieces `extra` into `out`
    // and its further pieces from `pieces` on; returns how many it wrote.
    static std::int32_t Narrowed(const ArcRecord& arc, const PieceRecord* extra, std::int64_t lo,
                                 std::int64_t hi, ArcRecord& out, PieceRecord* pieces);

    void Rebuild();

    ProblemTables& t_;
    std::vector<Range> ranges_;
    // Ranges that hold for the whole search, and the arcs narrower than parsed.
    std::vector<std::int64_t> parsedLow_, parsedHigh_, low_, high_;
    std::vector<std::int32_t> narrowed_;
};

}  // namespace kova
