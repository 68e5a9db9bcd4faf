// The out-of-kilter solver exactly as the method is written: every labelling
// pass, trace and reduced-cost refresh scans the whole network arc table from
// index 0. Slow, and the reference the fast solver must equal.
#pragma once

#include <cstdint>

#include "model/problem_tables.h"
#include "optimiser/run_monitor.h"
#include "optimiser/search_methods.h"

namespace kova {

inline constexpr double InfiniteDistance = 99999999999999.0;

struct LabelRecord {
    std::int32_t pred;
    std::int64_t reach;
    std::int32_t arc;  // +(arc + 1) forward label, -(arc + 1) backward label
};

class PlainOutOfKilter {
  public:
    PlainOutOfKilter(ProblemTables& tables, RunMonitor& monitor) : t_(tables), monitor_(monitor) {}

    // Sizes the node tables for NetNodeCount nodes.
    void SizeNodeTables(std::size_t nodes);
    // A minimum-cost circulation on NetArcTable; the code in RelaxationState.
    void RunOutOfKilter();

    // Labelling searches of the last solve.
    std::int64_t LabelSearches() const { return searches_; }

  private:
    enum Mode {
        kForwardFromSource = 0,
        kForwardFromList = 1,
        kBackwardIntoSource = 2,
        kBackwardIntoList = 3
    };

    void ComputeStartingDistances();
    void RefreshReducedCosts();
    // What brings `arc` into kilter; false when it is in kilter.
    bool Classify(std::int32_t arc);
    bool AnyArcOutOfKilter();
    // Lazy starting potential; true when the node took one.
    bool TakeStartingPotential(std::int32_t node);

    void LabelSearch();
    // One pass over the arcs out of (forward) or into (backward) `node`;
    // true when it ended in an augmentation.
    bool LabelAround(Mode mode, std::int32_t node);
    // Passes 1 and 3: every listed node from `listPos` on, nodes added
    // meanwhile included.
    bool LabelFromList(Mode mode, std::int32_t& listPos);
    void LabelAcross(Mode mode);
    void ChangePotentials();
    void Augment();

    bool Labelled(std::int32_t node) const { return LabelTable.At(node).pred != LargeInt; }

    ProblemTables& t_;
    RunMonitor& monitor_;
    GrowArray<LabelRecord> LabelTable;
    GrowArray<double> PotentialTable;
    GrowArray<double> DistanceTable;
    GrowArray<std::int32_t> LabelList;

    std::int32_t CurrentArc = 0;
    std::int32_t LabelSource = 0;
    std::int32_t LabelTarget = 0;
    std::int64_t KilterAmount = 0;
    std::int32_t ScanArc = 0;
    std::int32_t LabelListCount = 0;
    bool mustRise_ = false;  // the examined arc's flow must rise (else fall)
    std::int64_t searches_ = 0;
};

}  // namespace kova
