// The solution as comma-separated values for spreadsheets: a header row,
// then one row per arc. Line ends CR LF.
#pragma once

#include <string>
#include <vector>

#include "run/calculation_run.h"

namespace kova {

enum class CsvEncoding {
    Utf8WithBom,  // what spreadsheets take as UTF-8 without being asked
    Cp932,
};

std::string SolutionCsv(const std::vector<CalculationRun::SolutionRow>& rows,
                        CsvEncoding encoding);

}  // namespace kova
