// Brings an optimal circulation back to optimality after some arcs changed
// their bounds or costs, keeping what did not change. Every arc is first
// put where its reduced cost wants it (at a bound, or inside its range when
// the reduced cost is 0), which leaves some nodes with flow to spare and
// some short; then, in phases, Dijkstra on reduced costs from all nodes
// with flow to spare finds the nearest short node, the potentials move
// with the distances so that every reduced cost stays on the right side,
// and flow moves along every path of reduced cost 0 that the phase opened.
// A change of a few arcs costs a few searches near them, not a solve.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "optimiser/flow_network.h"
#include "optimiser/solve_ticker.h"

namespace kova {

class ShortestPathRepair {
  public:
    ShortestPathRepair(FlowNetwork& network, SolveTicker& ticker)
        : net_(network), ticker_(ticker) {}

    // Takes the network's arcs, flows and potentials as an optimal start.
    void Attach();
    bool Attached() const { return attached_; }
    void Detach() { attached_ = false; }

    // New bounds and cost for one arc; its flow moves as its reduced cost asks.
    void SetArc(std::int32_t arc, std::int64_t lower, std::int64_t upper, double cost);

    FlowOutcome Run();

    std::int64_t Augmentations() const { return augmentations_; }
    // Potentials that have wandered far from the costs lose the precision
    // the reduced costs need: a fresh solve is due.
    bool PotentialsDrifted() const;

  private:
    // Shortest paths from every node with flow to spare; the nearest node
    // short of flow, or -1.
    std::int32_t ShortestPaths();
    void UpdatePotentials(std::int32_t target);
    // Along the path Dijkstra found to `target`.
    void AugmentShortestPath(std::int32_t target);
    // Along paths of reduced cost 0 through the nodes the phase settled.
    void AugmentAdmissible();
    bool Admissible(std::int32_t entry) const;
    void Push(std::int32_t entry, std::int64_t amount);
    void MoveFlow(std::int32_t arc, std::int64_t newFlow);

    FlowNetwork& net_;
    SolveTicker& ticker_;
    bool attached_ = false;
    double tolerance_ = 0.0;
    double costScale_ = 1.0;

    // Adjacency: for node v, entries [start_[v], start_[v + 1]) of arcs_;
    // an arc index + 1 for an arc leaving v, -(index + 1) for one entering it.
    std::vector<std::int32_t> start_;
    std::vector<std::int32_t> adjacent_;

    std::vector<std::int64_t> excess_;  // inflow - outflow
    std::vector<std::int32_t> surplus_;  // nodes that may have flow to spare

    // Dijkstra's state, valid where the stamp is the search's.
    std::vector<std::uint32_t> seen_, done_;
    std::uint32_t stamp_ = 0;
    std::vector<double> distance_;
    std::vector<std::int32_t> pathArc_;  // as in adjacent_: the arc and its direction
    std::vector<std::pair<double, std::int32_t>> heap_;
    std::vector<std::int32_t> finished_;
    // Depth-first search for paths of reduced cost 0: the next adjacency
    // entry to try per node, and the path so far.
    std::vector<std::int32_t> nextEntry_;
    std::vector<std::uint32_t> onPath_;
    std::uint32_t pathStamp_ = 0;
    std::vector<std::int32_t> path_;

    std::int64_t augmentations_ = 0;
};

}  // namespace kova
