// DIMACS minimum-cost-flow files ("p min"): node supplies, arcs with lower
// and upper bounds and unit costs, into the data language and back.
#pragma once

#include <string>
#include <string_view>

#include "formats/conversion.h"
#include "model/problem_tables.h"

namespace kova::formats {

// Node numbers become node names. Supplies and demands become a
// circulation: SOURCE feeds every supply node and every demand node feeds
// SINK, each arc fixed at the node's amount, and SINK returns the whole
// to SOURCE. These arcs cost nothing, so the total is the DIMACS objective.
Conversion DimacsToProblem(std::string_view dimacs, std::string_view title);

// A problem whose arcs all have one linear piece with whole unit costs, as
// a circulation (no supplies); a comment line names each node. The costs at
// the lower bounds, a constant, ride on two extra arcs fixed at 1. Nothing
// and an error for anything else.
Conversion ProblemToDimacs(const ProblemTables& tables);

}  // namespace kova::formats
