// The relaxation as the method is written: every arc's envelope expanded
// into segment and link arcs of NetArcTable, solved by the plain
// out-of-kilter method from zero flow.
#pragma once

#include <cstdint>

#include "model/problem_tables.h"
#include "optimiser/envelope.h"
#include "optimiser/run_monitor.h"
#include "optimiser/search_methods.h"
#include "oracle/plain_out_of_kilter.h"

namespace kova {

class PlainRelaxation final : public RelaxationSolver {
  public:
    PlainRelaxation(ProblemTables& tables, RunMonitor& monitor)
        : t_(tables), monitor_(monitor), solver_(tables, monitor) {}

    RelaxationResult SolveRelaxation() override;
    std::int64_t Work() const override { return labelSearches_; }

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

    ProblemTables& t_;
    RunMonitor& monitor_;
    PlainOutOfKilter solver_;
    GrowArray<ArcNetwork> arcNetwork_;
    ArcEnvelope envelope_;
    std::int64_t labelSearches_ = 0;
};

}  // namespace kova
