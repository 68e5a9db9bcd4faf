// Minimum-cost circulation by the primal network simplex method: a spanning
// tree over the nodes and an artificial root, entering arcs chosen by block
// search, strongly feasible trees (no cycling on degenerate pivots), and
// the tree kept as parent links with child lists so that a pivot costs the
// cycle plus the subtree it moves.
//
// After an optimal solve, arcs may change their bounds and costs and the
// solve go on from the same tree: an arc whose flow no longer fits its new
// range hands the difference to a spare arc beside it, priced like the
// artificial arcs, so the tree stays a feasible start and the pivots that
// follow drive the spare flow out (or prove that no circulation exists).
#pragma once

#include <cstdint>
#include <vector>

#include "optimiser/flow_network.h"
#include "optimiser/solve_ticker.h"

namespace kova {

class NetworkSimplex {
  public:
    NetworkSimplex(FlowNetwork& network, SolveTicker& ticker);
    // A copy keeps the whole tree: a trial solve can be undone by copying
    // it back (with the network's own copy).

    // From scratch. Leaves the flows and the potentials in the network; on
    // Infeasible or Stopped the flows are not a circulation.
    FlowOutcome Run();

    // After a Run or Resolve that ended Optimal or Infeasible: new bounds
    // and cost for one arc, kept until Resolve. False when no spare arc is
    // left for it; a Run from scratch is then due.
    bool CanResolve() const { return warm_; }
    bool ChangeArc(std::int32_t arc, std::int64_t lower, std::int64_t upper, double cost);
    // Goes on from the last tree with the changed arcs. With a pivot limit,
    // a solve that reaches it ends Stopped instead of starting afresh.
    FlowOutcome Resolve(std::int64_t pivotLimit = 0);

    std::int64_t Pivots() const { return pivots_; }
    // Prices arcs one at a time even where the processor has vector
    // gathers; the pivots are the same either way.
    void UsePlainPricing() { avx2_ = false; }
    // The last tree: each node's parent (the root is RootNode()) and the arc
    // that joins them.
    std::int32_t RootNode() const { return nodes_; }
    std::int32_t TreeParent(std::int32_t node) const {
        return parent_[static_cast<std::size_t>(node)];
    }
    std::int32_t TreeArc(std::int32_t node) const {
        return predArc_[static_cast<std::size_t>(node)];
    }

  private:
    enum ArcState : std::int8_t { kUpper = -1, kTree = 0, kLower = 1 };
    enum class Side { Entering, First, Second };

    void InitialTree();
    std::int32_t SqrtArcs() const;
    static constexpr std::int32_t kWarmBlockFactor = 8;
    // Pivots until optimal; Stopped by the user or, with stalled_, at `limit` pivots.
    FlowOutcome Pivot(std::int64_t limit);
    // Spare arcs that carry nothing and are out of the tree go back to the pool.
    void ReleaseSpares();
    void SetBigM(double largestCost);
    bool FindEnteringArc();
    void FindJoinNode();
    Side FindLeavingArc();
    void ChangeFlows();
    void UpdateTree(Side side);
    // Potentials recomputed along the whole tree, free of drift.
    void ComputePotentials();
    void WriteBack();

    void AddChild(std::int32_t parent, std::int32_t child);
    void RemoveChild(std::int32_t parent, std::int32_t child);
    // Depth and potentials of the subtree under `top` from its parent's.
    void RefreshSubtree(std::int32_t top);

    double ReducedCost(std::int32_t arc) const {
        const auto a = static_cast<std::size_t>(arc);
        return cost_[a] + pi_[static_cast<std::size_t>(source_[a])] -
               pi_[static_cast<std::size_t>(target_[a])];
    }

    FlowNetwork* net_;
    SolveTicker* ticker_;

    std::int32_t nodes_ = 0;  // real nodes; the root is node nodes_
    std::int32_t realArcs_ = 0;
    // Real arcs, then one artificial arc per real node, then the spare arcs.
    std::int32_t arcs_ = 0;
    std::int32_t firstSpare_ = 0;
    double tolerance_ = 0.0;
    double largestCost_ = 1.0;
    bool largestMayShrink_ = false;
    double bigM_ = 0.0;  // cost of artificial and spare arcs
    bool warm_ = false;
    bool stalled_ = false;  // the last Pivot reached its limit
    static constexpr std::int64_t kPivotsBeforeRecompute = 1000;
    std::int64_t pivotsSinceRecompute_ = 0;
    bool treeCostChanged_ = false;
    std::vector<std::int32_t> freeSpares_;
    std::vector<std::int32_t> usedSpares_;

    // Per arc; flows are measured from the lower bound.
    std::vector<std::int32_t> source_, target_;
    std::vector<std::int64_t> lower_, capacity_, flow_;
    std::vector<double> cost_;
    std::vector<std::int8_t> state_;

    // Per node: the tree.
    std::vector<double> pi_;
    std::vector<std::int32_t> parent_, predArc_, depth_;
    std::vector<std::uint8_t> predUp_;  // the pred arc runs from the node to its parent
    std::vector<std::int32_t> firstChild_, nextSibling_, prevSibling_;
    std::vector<std::int32_t> stack_;
    bool avx2_ = false;

    // Current pivot.
    std::int32_t blockSize_ = 0;
    std::int32_t nextArc_ = 0;
    std::int32_t entering_ = -1;
    std::int32_t first_ = 0, second_ = 0, join_ = 0;
    std::int32_t leavingNode_ = -1;
    std::int64_t delta_ = 0;
    std::int64_t pivots_ = 0;
};

}  // namespace kova
