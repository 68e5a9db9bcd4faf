// The exchangeable parts of the optimiser: the relaxation with its flow
// solver, and the best-first selection over the branch list. The
// application uses the fast ones; the plain ones, the out-of-kilter method
// scanning whole tables as it is written, serve as the tests' oracle.
#pragma once

#include <cstdint>
#include <memory>

#include "model/problem_tables.h"
#include "optimiser/envelope.h"
#include "optimiser/run_monitor.h"

namespace kova {

// What the result-code field shows for a relaxation: 0 the start was
// already optimal, 1 flow had to move (or potentials change) to reach the
// optimum, 4 no feasible flow, 5 stopped by the user. (3, potentials changed
// last, is the out-of-kilter method's own.)
enum KilterCode : std::int32_t {
    kKilterNoSearch = 0,
    kKilterAugmented = 1,
    kKilterPotentialsChanged = 3,
    kKilterInfeasible = 4,
    kKilterStopped = 5,
};

// The outcome of one relaxation; the flow's rows are in SolutionTable.
struct RelaxationResult {
    std::int32_t code = kKilterInfeasible;
    double relaxedTotal = NoSolutionCost;  // lower bound of the subproblem
    double trueTotal = NoSolutionCost;     // true cost of the relaxation's flow
    std::int32_t gapArcIndex = -1;         // arc whose true cost lies furthest above
    std::int64_t gapArcFlow = 0;
    // Every arc with a positive gap, where the relaxation lists them.
    const std::vector<BranchCandidate>* candidates = nullptr;

    bool HasFlow() const { return code < kKilterInfeasible; }
    bool Stopped() const { return code == kKilterStopped; }
};

// Builds the envelope network of the working tables, solves it and
// evaluates the flow; shows the code in the result-code field.
class RelaxationSolver {
  public:
    virtual ~RelaxationSolver() = default;
    virtual RelaxationResult SolveRelaxation() = 0;
    // Units of solver work over the whole run (pivots and path searches, or
    // labelling searches), for measurements.
    virtual std::int64_t Work() const = 0;
    // After the root solve: the flows of `arc` that may cost less than the
    // root bound plus `slack`, judged by the root's reduced costs. False
    // when the relaxation cannot tell.
    virtual bool RangeWithin(std::int32_t /*arc*/, double /*slack*/, std::int64_t& /*lo*/,
                             std::int64_t& /*hi*/) const {
        return false;
    }
    // The same, right after any solve with a flow, by that solve's reduced
    // costs: what holds for the subproblem and everything below it.
    virtual bool RangeNowWithin(std::int32_t /*arc*/, double /*slack*/, std::int64_t& /*lo*/,
                                std::int64_t& /*hi*/) const {
        return false;
    }
    // Right after a solve with a flow: the least its bound rises when
    // `arc` must carry lo..hi, judged by its reduced costs (0 when the
    // relaxation cannot tell).
    virtual double RiseToRange(std::int32_t /*arc*/, std::int64_t /*lo*/,
                               std::int64_t /*hi*/) const {
        return 0.0;
    }
    // After the root solve, with an incumbent: raises the relaxation's
    // bound for the whole search where it can. A flow met on the way that
    // costs less than `incumbent` lowers it and goes into
    // BestSolutionTable. True when the root must be solved again (the
    // relaxation changed); false when nothing changed.
    virtual bool StrengthenBound(double& /*incumbent*/) { return false; }
    // Right after a solve with a flow: what its bound may rise by, the arcs
    // where the flow costs more than the bound each either keeping that
    // excess or moving to a flow nearer its cost, the moves paid at the
    // solve's reduced costs shared between them (0 when the relaxation
    // cannot tell). Not for RangeNowWithin or RiseToRange, which spend the
    // same reduced costs.
    virtual double GapPenalty() { return 0.0; }
    // Right after a solve with a flow, below `incumbent`: a few steps on the
    // relaxation's prices for this subproblem, each kept only where it lifts
    // the bound; `result` becomes the last kept solve's. True when it did.
    virtual bool LiftBound(double /*incumbent*/, RelaxationResult& /*result*/) { return false; }
    // The root's ranges changed: its next solve is kept as the root.
    virtual void ForgetRoot() {}
    // Keeps the state of the last solve with a flow; ReturnToKept goes back
    // to it. The search keeps a first child's solve, so that when it goes
    // on into that child after solving its sibling, the child's own
    // children start from the child's flow.
    virtual void KeepSolve() {}
    virtual void ReturnToKept() {}
    // Right after a solve with a flow (the root's, before and after
    // StrengthenBound, and branches' where BranchFlowsArePoor): looks for
    // flows that cost less than `incumbent` by linear solves around that
    // flow, leaving the relaxation as it was. A better flow lowers `incumbent` and goes into
    // BestSolutionTable; true when one was found.
    virtual bool FindIncumbent(double& /*incumbent*/) { return false; }
    // The flows of branches' relaxations are seldom good solutions (on
    // fixed charges, whose prices open arcs cheaply): worth running
    // FindIncumbent from them too.
    virtual bool BranchFlowsArePoor() const { return false; }
    // Right after a solve with a flow: the bound of the same subproblem with
    // `arc` held to lo..hi, by a warm solve of at most `pivotLimit` pivots
    // that is then undone (NoSolutionCost when no flow fits). False when the
    // solve did not finish.
    virtual bool TrialBound(std::int32_t /*arc*/, std::int64_t /*lo*/, std::int64_t /*hi*/,
                            std::int64_t /*pivotLimit*/, double& /*bound*/) {
        return false;
    }
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
    // From now on the most recently solved open record first, the best
    // bound first among those open now: the list then grows no further
    // than the depth of the tree. A selected record is then not the one
    // with the smallest bound.
    virtual void StartDepthFirst(const ProblemTables& /*tables*/) {}
    virtual bool DepthFirst() const { return false; }
    // The smallest bound of an open record (the largest double when none
    // is open), as of the last selection and the records solved since.
    virtual double BestOpenBound(const ProblemTables& tables) = 0;
};

struct SearchMethods {
    std::unique_ptr<RelaxationSolver> relaxation;
    std::unique_ptr<BranchSelector> selector;
    // Ranges tightened before the search, branching on estimated bound
    // rises, and plunging; the plain method has none of them.
    bool refined = true;
};

using SearchMethodsFactory = SearchMethods (*)(ProblemTables& tables, RunMonitor& monitor);

// The application's methods.
SearchMethods FastSearchMethods(ProblemTables& tables, RunMonitor& monitor);

}  // namespace kova
