// The exchangeable parts of the optimiser: the minimum-cost-flow solver and
// the best-first selection over the branch list. The application uses the
// fast ones; the plain ones, which scan whole tables as the method is
// written, serve as the tests' oracle.
#pragma once

#include <cstdint>
#include <memory>

#include "model/problem_tables.h"
#include "run/run_monitor.h"

namespace kova {

inline constexpr double InfiniteDistance = 99999999999999.0;

// Result codes left in RelaxationState.
enum KilterCode : std::int32_t {
    kKilterNoSearch = 0,
    kKilterAugmented = 1,
    kKilterPotentialsChanged = 3,
    kKilterInfeasible = 4,
    kKilterStopped = 5,
};

class KilterSolver {
  public:
    virtual ~KilterSolver() = default;
    // A minimum-cost circulation on NetArcTable; the code in RelaxationState.
    virtual void RunOutOfKilter() = 0;
    // Labelling searches of the last solve.
    virtual std::int64_t LabelSearches() const = 0;
};

class BranchSelector {
  public:
    virtual ~BranchSelector() = default;
    // A new search over a fresh branch list.
    virtual void StartSearch() = 0;
    // The open record with the smallest bound below the largest double,
    // lowest index on ties. `recordsInUse` counts the records before the
    // first free one.
    virtual bool SelectBranch(const ProblemTables& tables, std::int32_t& selected,
                              std::int32_t& recordsInUse) = 0;
    // The first free record at or after index 1.
    virtual std::int32_t FirstFreeRecord(const ProblemTables& tables) = 0;
    // `record` has been solved (or closed without a solve): its bound and
    // status are final until it is branched.
    virtual void RecordSolved(std::int32_t record, const BranchRecord& solved) = 0;
    // Two children were written at `first` and `first` + 1.
    virtual void ChildrenCreated(std::int32_t first) = 0;
};

struct SearchMethods {
    std::unique_ptr<KilterSolver> solver;
    std::unique_ptr<BranchSelector> selector;
};

using SearchMethodsFactory = SearchMethods (*)(ProblemTables& tables, RunMonitor& monitor);

// The application's methods.
SearchMethods FastSearchMethods(ProblemTables& tables, RunMonitor& monitor);

}  // namespace kova
