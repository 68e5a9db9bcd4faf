// Minimum-cost circulation on the relaxation's network by the out-of-kilter
// method with node potentials, giving exactly what the plain method gives
// (every pass in arc-index order, every tie alike) with data structures that
// make it fast:
// - adjacency lists in arc-index order, so a labelling pass over the arcs of
//   one node visits them in the order a scan of the whole table would;
// - reduced costs computed on demand with the same expression and snapping,
//   which equals the stored value because every potential change is
//   followed by a refresh before any reduced cost is read;
// - the set of out-of-kilter arcs and of arcs with a node still waiting for
//   its starting potential, so the scan jumps over arcs where nothing happens;
// - starting distances relaxed only from the nodes that changed in the last
//   pass, with the same pass count.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "model/problem_tables.h"
#include "optimiser/search_methods.h"
#include "run/run_monitor.h"

namespace kova {

class OutOfKilter final : public KilterSolver {
  public:
    OutOfKilter(ProblemTables& tables, RunMonitor& monitor) : t_(tables), monitor_(monitor) {}

    void RunOutOfKilter() override;
    std::int64_t LabelSearches() const override { return searches_; }

  private:
    enum Mode { kForwardFromSource, kForwardFromList, kBackwardIntoSource, kBackwardIntoList };

    void BuildAdjacency();
    bool ComputeStartingDistances();

    double ReducedCost(std::int32_t arc) const {
        const NetArcRecord& record = t_.NetArcTable[static_cast<std::size_t>(arc)];
        if (!refreshed_) {
            return record.cost;
        }
        const double rc = (record.cost - t_.PotentialTable[static_cast<std::size_t>(record.from)]) +
                          t_.PotentialTable[static_cast<std::size_t>(record.to)];
        // Not a number (from infinite costs) counts as 0: the arc is then in
        // kilter only within its bounds.
        return rc >= ZeroSnap || rc <= -ZeroSnap ? rc : 0.0;
    }
    bool OutOfKilterNow(std::int32_t arc) const;
    // What brings `arc` into kilter; false when it is in kilter.
    bool Classify(std::int32_t arc);
    bool Pending(std::int32_t node) const;

    // Bookkeeping after flows or potentials changed.
    void UpdateKilterBit(std::int32_t arc);
    void UpdateArcsAt(std::int32_t node, bool kilterStates, bool waitingMarks);
    void StartRefreshedCosts();
    std::int32_t NextEvent(std::int32_t from);
    void ResolveAllStale();

    bool TakeStartingPotential(std::int32_t node);
    void ShowElapsedTime(bool force);

    void LabelSearch();
    bool LabelAround(Mode mode, std::int32_t node);
    bool LabelFromList(Mode mode, std::int32_t& listPos);
    void LabelAcross(Mode mode, std::int32_t arc, std::int32_t known, std::int32_t fresh);
    void ChangePotentials();
    void Augment();

    bool Labelled(std::int32_t node) const {
        return labelStamp_[static_cast<std::size_t>(node)] == stamp_;
    }

    ProblemTables& t_;
    RunMonitor& monitor_;

    std::int32_t CurrentArc = 0;
    std::int32_t LabelSource = 0;
    std::int32_t LabelTarget = 0;
    std::int64_t KilterAmount = 0;
    std::int32_t LabelListCount = 0;
    bool mustRise_ = false;
    std::int64_t searches_ = 0;

    // Adjacency in arc-index order (compressed rows), each entry with the
    // arc's other end, so a labelled neighbour is passed over without
    // touching the arc.
    struct Adjacent {
        std::int32_t arc;
        std::int32_t other;
    };
    std::vector<std::int32_t> outStart_, inStart_;
    std::vector<Adjacent> outArcs_, inArcs_;

    // Labels of the current search: a node is labelled when its stamp is the
    // search's stamp, so no search clears the whole table.
    std::vector<std::uint32_t> labelStamp_;
    std::vector<std::int32_t> labelPred_;
    std::vector<std::int64_t> labelReach_;
    std::vector<std::int32_t> labelArc_;
    std::uint32_t stamp_ = 0;

    // Reduced costs are the network costs until the first refresh.
    bool refreshed_ = false;
    std::vector<std::uint64_t> outOfKilter_;  // one bit per arc
    std::vector<std::uint64_t> pendingArcs_;  // arcs with an end waiting for its potential
    std::vector<std::uint64_t> stale_;        // kilter bit not checked since a potential change
    std::int64_t outOfKilterCount_ = 0;
    std::vector<std::int32_t> waitingMoved_;  // labelled nodes that were waiting, per change

    std::uint32_t stepsSinceClock_ = 0;
    std::chrono::steady_clock::time_point lastClock_{};
};

}  // namespace kova
