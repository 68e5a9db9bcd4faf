// One calculation: parse the data text, solve, write the two result texts,
// release the tables. One object owns all of a run's state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/problem_tables.h"
#include "parser/problem_parser.h"
#include "run/run_monitor.h"

namespace kova {

// The two texts of the last run, code page 932.
struct RunResults {
    std::string runList;
    std::string solution;
};

class CalculationRun {
  public:
    CalculationRun(RunMonitor& monitor, double tolerance)
        : monitor_(monitor), tolerance_(tolerance), parser_(tables_, monitor) {}

    // The run driver: counters, parse, solution rows, search, elapsed time,
    // release, data-error message.
    void Run(std::string_view dataText);

    const RunResults& Results() const { return results_; }
    bool Accepted() const { return accepted_; }
    const std::optional<DataError>& Error() const { return parser_.Error(); }
    const ProblemTables& Tables() const { return tables_; }
    double Tolerance() const { return tolerance_; }

  private:
    void FillSolutionBounds();

    RunMonitor& monitor_;
    double tolerance_;
    ProblemTables tables_;
    ProblemParser parser_;
    RunResults results_;
    bool accepted_ = false;
};

// What the run command leaves when the editor text is empty: one line added
// to the previous run list.
void AppendNoInputData(RunResults& results);

}  // namespace kova
