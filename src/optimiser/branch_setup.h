// Working copies of the arc and piece tables for one subproblem: rebuilt
// from the parsed tables in one pass, each ancestor's branch arc, and the
// arcs its prices narrowed, cut down to the flow range the subproblem
// allows (an arc's ranges on the path intersected).
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
    // as the bounds of the arcs at its two ends tell, and from then on does
    // the same in every branch after its own ranges are applied.
    void TightenRanges();
    // Narrows one arc's range for the rest of the search; false when the
    // range already lay within lo..hi.
    bool Restrict(std::int32_t arc, std::int64_t lo, std::int64_t hi);
    std::int64_t RangeLow(std::int32_t arc) const { return low_[static_cast<std::size_t>(arc)]; }
    std::int64_t RangeHigh(std::int32_t arc) const { return high_[static_cast<std::size_t>(arc)]; }

    // The working tables of the root: the parsed ones, narrowed.
    void SetUpRoot();
    // `branchToSolve` is the record to set up, `selectedBranch` its parent.
    // False when some arc is left no flow: the subproblem has no solution.
    bool SetUpBranch(std::int32_t branchToSolve, std::int32_t selectedBranch);

    // Writes `arc` narrowed to lo..hi from its pieces `extra` into `out`
    // and its further pieces from `pieces` on; returns how many it wrote.
    static std::int32_t Narrowed(const ArcRecord& arc, const PieceRecord* extra, std::int64_t lo,
                                 std::int64_t hi, ArcRecord& out, PieceRecord* pieces);

    struct Range {
        std::int32_t arc;
        std::int64_t lo;
        std::int64_t hi;
    };
    // Ranges that hold below `record`: applied to every branch set up
    // under it, until forgotten.
    void Keep(std::int32_t record, const std::vector<Range>& narrower);
    void Forget(std::int32_t record);
    // Ranges kept now.
    std::size_t KeptRangeCount() const { return keptLive_; }
    // Memory of the kept ranges.
    std::int64_t KeptBytes() const {
        return static_cast<std::int64_t>(keptPool_.capacity() * sizeof(KeptRange) +
                                         keptCount_.capacity() * 2 * sizeof(std::uint32_t));
    }
    // The range of `arc` in the branch set up last.
    std::int64_t BranchLow(std::int32_t arc) const {
        return branchLow_[static_cast<std::size_t>(arc)];
    }
    std::int64_t BranchHigh(std::int32_t arc) const {
        return branchHigh_[static_cast<std::size_t>(arc)];
    }

  private:
    void Rebuild();
    // Bound propagation over the node balances, from the arcs' ends in
    // `seeds` (every node when empty), until nothing changes or the work
    // cap is reached. False when some node cannot balance.
    bool Propagate(std::vector<std::int64_t>& low, std::vector<std::int64_t>& high,
                   const std::vector<std::int32_t>& seeds);

    ProblemTables& t_;
    std::vector<Range> ranges_;
    // Per record, a block of the pool; flows fit 32 bits.
    struct KeptRange {
        std::int32_t arc;
        std::int32_t lo;
        std::int32_t hi;
    };
    std::vector<std::uint32_t> keptFirst_, keptCount_;
    std::vector<KeptRange> keptPool_;
    std::size_t keptLive_ = 0;
    // Ranges that hold for the whole search, and the arcs narrower than parsed.
    std::vector<std::int64_t> parsedLow_, parsedHigh_, low_, high_;
    std::vector<std::int32_t> narrowed_;

    bool propagate_ = false;
    std::vector<std::int32_t> nodeStart_, nodeArcs_;  // incident arcs per node, loops left out
    std::vector<std::int64_t> inLow_, inHigh_, outLow_, outHigh_;
    // The sums over the search's own ranges (low_, high_), while they hold.
    void NodeSums(const std::vector<std::int64_t>& low, const std::vector<std::int64_t>& high);
    bool searchSums_ = false;
    std::vector<std::int64_t> searchInLow_, searchInHigh_, searchOutLow_, searchOutHigh_;
    std::vector<std::int64_t> branchLow_, branchHigh_;
    std::vector<char> onPath_;  // arcs the branch's path narrows, while it is set up
    std::vector<std::int32_t> queue_, seeds_;
    std::vector<char> queued_;
};

}  // namespace kova
