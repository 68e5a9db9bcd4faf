// The solution table: one fixed-column line per arc and the total cost.
#pragma once

#include <string>

#include "model/problem_tables.h"

namespace kova {

// Writes the table of BestSolutionTable with `total` as the total cost.
std::string WriteSolutionTable(const ProblemTables& tables, double total);

}  // namespace kova
