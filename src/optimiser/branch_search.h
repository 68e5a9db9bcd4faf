// Branch and bound over the arcs' flow ranges: best-first over the open
// records, two children per branched record, the incumbent kept in
// BestSolutionTable.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/problem_tables.h"
#include "optimiser/branch_setup.h"
#include "optimiser/envelope.h"
#include "optimiser/run_monitor.h"
#include "optimiser/search_methods.h"

namespace kova {

enum class SearchEnd {
    NoSolutionAtRoot,
    StoppedAtRoot,
    OptimalAtRoot,
    StoppedInBranch,
    OptimalInBranch,
    Exhausted,            // with a solution
    ExhaustedNoSolution,  // no solution stored
};

// Record states in BranchList.
enum BranchStatus : std::int32_t {
    kBranchFree = -2,
    kBranchCreated = -1,
    kBranchOpen = 0,
    kBranchBranched = 1,
    kBranchClosed = 2,
};

class BranchSearch {
  public:
    BranchSearch(ProblemTables& tables, RunMonitor& monitor, double tolerance,
                 SearchMethods methods)
        : t_(tables),
          monitor_(monitor),
          tolerance_(tolerance),
          methods_(std::move(methods)),
          setUp_(tables) {}

    // Appends the end lines to `runList` and writes `solution` at the ends
    // that report one.
    SearchEnd RunSearch(std::string& runList, std::string& solution);

    double IncumbentCost = LargestDouble;
    // Records the list may reach before the search turns depth first (at
    // 88 B a record with its heap entry, 352 MB); the ranges kept for the
    // records count at their size.
    std::int32_t RecordLimit = 1 << 22;
    std::int32_t SelectedBranch = 0;
    std::int32_t BranchToSolve = 0;

    // Arc ranges the root's prices narrowed against an incumbent, for
    // measurements.
    std::int64_t Narrowings() const { return narrowings_; }
    // Arc ranges narrowed in branches by their own prices.
    std::int64_t BranchNarrowings() const { return branchNarrowings_; }
    // Solver work over all solves, for measurements.
    std::int64_t Work() const { return methods_.relaxation->Work(); }
    // At the end: no optimal total lies below this (at most the incumbent's
    // total); NoSolutionCost when the search ended before a root bound.
    double FinalBound() const { return finalBound_; }

  private:
    void StartSearch();
    void Solve();
    void SolveEmptyChild();
    void ComputeLift();
    void BranchOrClose();
    void Retire(std::int32_t record);
    void CloseOrCreateChildren();
    void TakeIncumbent();
    // The incumbent and its gap to the best open bound in the live fields.
    void ShowIncumbent();
    void ShowGap();
    // The smallest bound of a record still open or being branched.
    double BestOpenBound();
    struct BranchChoice {
        std::int32_t arc;
        std::int64_t flow;
        double gap;
        double lowBound;  // of each child, where a trial found it; else -LargestDouble
        double highBound;
    };
    BranchChoice ChooseBranchArc();
    struct ChildRanges {
        std::int64_t lowFrom, lowTo, highFrom, highTo;
    };
    ChildRanges RangesOfChildren(std::int32_t arc, std::int64_t flow);
    // How far the arc's cost lies above its envelope at `flow` over lo..hi.
    double GapLeft(std::int32_t arc, std::int64_t lo, std::int64_t hi, std::int64_t flow);
    ArcRecord splitArc_{};
    std::vector<PieceRecord> splitPieces_;
    ArcEnvelope splitEnvelope_;
    void Learn(int side, std::int32_t arc, double perGap);
    void NarrowByRootPrices();
    void NarrowRoot();
    bool NarrowByPrices();
    std::vector<BranchSetUp::Range> narrower_;
    std::vector<char> gapArc_;
    std::int64_t branchNarrowings_ = 0;
    // Totals are multiples of costStep_ (0 when not known to be): bounds
    // round up to the next multiple.
    void FindCostStep();
    double costStep_ = 0.0;
    double costScale_ = 0.0;  // what all costs together may reach
    // Room for the rounding of the bounds.
    double Margin() const;
    // A region whose bound lies above this holds nothing worth finding.
    double Level() const;
    // The bound leaves nothing to gain beyond the tolerance.
    bool Closes(double bound) const;
    // No total below `bound` can be better than this one.
    double RoundedBound(double bound) const;
    // The child's bound, known before its solve, leaves nothing to gain.
    bool CannotImprove(const BranchRecord& child) const;
    void LearnFromChild(std::int32_t child);
    SearchEnd End(SearchEnd end, std::string& runList, std::string& solution);

    ProblemTables& t_;
    RunMonitor& monitor_;
    double tolerance_;
    SearchMethods methods_;
    BranchSetUp setUp_;
    RelaxationResult result_;  // of the last solve
    double lift_ = 0.0;        // what GapPenalty adds to its bound
    double rootBound_ = 0.0;
    double branchingBound_ = LargestDouble;  // of the record whose children are solved
    double finalBound_ = NoSolutionCost;
    std::int64_t narrowings_ = 0;

    // Rise of a child's bound per unit of its parent's gap on the branch
    // arc: per arc and per side (the low child 0, the high child 1).
    struct PseudoCost {
        double sum = 0.0;
        std::int32_t count = 0;
    };
    std::array<std::vector<PseudoCost>, 2> pseudoCost_;
    std::array<PseudoCost, 2> averageCost_;
    std::vector<std::pair<double, BranchCandidate>> scored_;
    std::vector<std::int32_t> freePairs_;  // first records of free pairs
    std::int32_t keptRecord_ = -1;         // whose solve the relaxation keeps
    // The share of the solver's work the searches for flows in branches
    // take while they find better flows.
    static constexpr double kSearchForFlowsShare = 0.1;
    std::int64_t searchForFlowsWork_ = 0;
    double searchForFlowsShare_ = kSearchForFlowsShare;
};

}  // namespace kova
