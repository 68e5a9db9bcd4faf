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

    // Narrows every arc to the flows it can carry in a circulation, as far
    // as the bounds of the arcs at its two ends tell; these ranges hold for
    // the whole search. False when some arc is left no flow at all.
    bool TightenRanges();
    // The working tables of the root: the parsed ones, tightened.
    void SetUpRoot();
    // `branchToSolve` is the record to set up, `selectedBranch` its parent.
    void SetUpBranch(std::int32_t branchToSolve, std::int32_t selectedBranch);

    // Keeps the pieces of working arc `arc` that hold the integer flows
    // lo..hi, the first one starting at lo; the pieces of later arcs move
    // down.
    void NarrowArc(std::int32_t arc, std::int64_t lo, std::int64_t hi);

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
    std::vector<Range> tightened_;  // by arc index
};

}  // namespace kova
