// The one JSON object that `kova-solve --json` prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/calculation_run.h"

namespace kova::cli {

struct JsonError {
    std::int32_t line = 0;
    std::string message;  // code page 932
};

struct JsonReport {
    std::string end;  // optimal-root, ..., data-error
    std::optional<double> total;
    // No total below `bound` is possible; gap = total - bound.
    std::optional<double> bound;
    std::optional<CalculationRun::Diagnosis> diagnosis;
    std::int64_t branches = 0;
    std::int64_t updates = 0;
    std::int64_t elapsedSeconds = 0;
    std::vector<CalculationRun::SolutionRow> arcs;
    std::optional<JsonError> error;
};

std::string EndName(SearchEnd end, bool withSolution);
std::string ToJson(const JsonReport& report);

}  // namespace kova::cli
