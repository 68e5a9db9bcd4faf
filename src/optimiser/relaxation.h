// The relaxation of one subproblem: every arc's cost replaced by its convex
// envelope over the arc's current range, expanded into a network of linear
// arcs, solved as a minimum-cost circulation, and the flow evaluated under
// both the envelope and the true costs.
#pragma once

#include <cstdint>
#include <vector>

#include "model/problem_tables.h"
#include "optimiser/search_methods.h"
#include "run/run_monitor.h"

namespace kova {

class Relaxation {
  public:
    Relaxation(ProblemTables& tables, RunMonitor& monitor, KilterSolver& solver)
        : t_(tables), monitor_(monitor), solver_(solver) {}

    void SolveRelaxation();

    // Results of the last solve.
    double RelaxedTotal = 0.0;
    double TrueTotal = 0.0;
    std::int32_t GapArcFrom = -1;
    std::int32_t GapArcTo = -1;
    std::int64_t GapArcFlow = 0;
    std::int32_t GapArcIndex = -1;  // the arc with the largest positive gap itself

    std::int64_t LabelSearches() const { return solver_.LabelSearches(); }

  private:
    // Where an arc's records start in the network and what its envelope
    // starts from.
    struct ArcNetwork {
        std::int32_t firstRecord;
        std::int32_t segments;  // 1: one record; h >= 2: segment and link records in turn
        double startValue;      // envelope value at the arc's lower bound
    };

    void BuildNetwork();
    void SizeWorkTables();
    void EvaluateSolution();

    ProblemTables& t_;
    RunMonitor& monitor_;
    KilterSolver& solver_;
    std::vector<ArcNetwork> arcNetwork_;
};

}  // namespace kova
