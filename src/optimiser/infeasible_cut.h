// Why a problem has no flow at all, where that is cheap to say: a set of
// nodes that more flow must enter (by the lower bounds of the arcs into it)
// than can leave it (by the upper bounds of the arcs out of it).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/problem_tables.h"

namespace kova {

struct InfeasibleCut {
    std::vector<std::int32_t> nodes;  // the set, in node order
    // True: the lower bounds of the arcs into the set force at least `forced`
    // in, the upper bounds of the arcs out of it let at most `most` out.
    // False: the same with in and out swapped.
    bool inward = true;
    std::int64_t forced = 0;
    std::int64_t most = 0;
};

// The smaller of the two smallest such sets (one on each side of a minimum
// cut) when the bounds admit no circulation; nothing when they admit one.
// The bounds are those SolutionTable prints. O(arcs * sqrt(arcs)) by
// blocking flows.
std::optional<InfeasibleCut> FindInfeasibleCut(const ProblemTables& tables);

}  // namespace kova
