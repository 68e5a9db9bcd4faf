// Working copies of the arc and piece tables for one subproblem: rebuilt
// from the parsed tables, then each ancestor's branch arc cut down to the
// flow range the subproblem allows.
#pragma once

#include <cstdint>

#include "model/problem_tables.h"

namespace kova {

class BranchSetUp {
  public:
    explicit BranchSetUp(ProblemTables& tables) : t_(tables) {}

    // `branchToSolve` is the record to set up, `selectedBranch` its parent.
    void SetUpBranch(std::int32_t branchToSolve, std::int32_t selectedBranch);

    // Keeps the pieces of `arc` that hold the integer flows lo..hi, the
    // first one starting at lo.
    void NarrowArc(std::int32_t arc, std::int64_t lo, std::int64_t hi);

  private:
    ProblemTables& t_;
};

}  // namespace kova
