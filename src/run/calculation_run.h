// One calculation: parse the data text, solve, write the two result texts,
// release the tables. One object owns all of a run's state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "model/problem_tables.h"
#include "optimiser/branch_search.h"
#include "optimiser/infeasible_cut.h"
#include "parser/problem_parser.h"
#include "optimiser/run_monitor.h"

namespace kova {

// A row of the reported solution, kept when the tables are released.
struct SolutionRow {
    std::string from;  // node names, code page 932, without the padding
    std::string to;
    std::int32_t lower;
    std::int32_t upper;
    double cost;
    std::int64_t flow;
};

// What the last run leaves: its two texts (code page 932) and, when it
// found a solution, its rows and total.
struct RunResults {
    std::string runList;
    std::string solution;
    std::vector<SolutionRow> rows = {};
    double total = 0.0;
    // No total below it is possible (NoSolutionCost when not known).
    double bound = NoSolutionCost;
    // Why no flow exists, where a cut of the network shows it (UTF-8).
    std::string diagnosis = {};
};

class CalculationRun {
  public:
    // `methods` chooses the solver and the selection (the tests' oracle
    // passes the plain ones).
    CalculationRun(RunMonitor& monitor, double tolerance,
                   SearchMethodsFactory methods = FastSearchMethods)
        : monitor_(monitor), tolerance_(tolerance), methods_(methods), parser_(tables_, monitor) {}

    // The run driver: counters, parse, solution rows, search, elapsed time,
    // release, data-error message.
    void Run(std::string_view dataText);

    const RunResults& Results() const { return results_; }
    bool Accepted() const { return accepted_; }
    const std::optional<DataError>& Error() const { return parser_.Error(); }
    const ProblemTables& Tables() const { return tables_; }
    double Tolerance() const { return tolerance_; }

    // How the search ended; nothing after a data error.
    const std::optional<SearchEnd>& End() const { return end_; }
    // The total of the reported solution (the largest double when a forced
    // stop came before any solution).
    double IncumbentCost() const { return incumbentCost_; }
    // Units of flow-solver work over the run, for measurements.
    std::int64_t SolverWork() const { return solverWork_; }
    // Arc ranges narrowed by the root's prices against an incumbent.
    std::int64_t Narrowings() const { return narrowings_; }
    // Arc ranges narrowed in branches by their own prices.
    std::int64_t BranchNarrowings() const { return branchNarrowings_; }
    // Seconds from the start of the run to its end, as the elapsed time counts them.
    std::int64_t ElapsedSeconds() const;

    // The reported solution, kept when the tables are released.
    using SolutionRow = kova::SolutionRow;
    const std::vector<SolutionRow>& SolutionRows() const { return results_.rows; }

    // The root's bound; NoSolutionCost before a root solve.
    double RootBound() const { return rootBound_; }
    // No total below this is possible (the reported total when proved
    // optimal); NoSolutionCost when nothing is known.
    double FinalBound() const { return finalBound_; }

    // A problem without any flow: the nodes named, and why, where a cut of
    // the network shows it.
    struct Diagnosis {
        std::vector<std::string> nodes;  // code page 932 names
        bool inward;                     // as InfeasibleCut says
        std::int64_t forced;
        std::int64_t most;
    };
    const std::optional<Diagnosis>& Infeasibility() const { return diagnosis_; }

  private:
    void FillSolutionBounds();
    void KeepSolutionRows();
    void Diagnose();
    std::string NodeName(std::int32_t node) const;

    RunMonitor& monitor_;
    double tolerance_;
    SearchMethodsFactory methods_;
    ProblemTables tables_;
    ProblemParser parser_;
    RunResults results_;
    bool accepted_ = false;
    std::optional<SearchEnd> end_;
    double incumbentCost_ = LargestDouble;
    std::int64_t solverWork_ = 0;
    std::int64_t narrowings_ = 0;
    std::int64_t branchNarrowings_ = 0;
    double rootBound_ = NoSolutionCost;
    double finalBound_ = NoSolutionCost;
    std::optional<Diagnosis> diagnosis_;
};

// A diagnosis as one sentence, UTF-8.
std::string DiagnosisText(const CalculationRun::Diagnosis& diagnosis);

// What the run command leaves when the editor text is empty: one line added
// to the previous run list.
void AppendNoInputData(RunResults& results);

}  // namespace kova
