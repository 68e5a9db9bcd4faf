// What a conversion into the data language gives: the text, or the first
// line of the source that it cannot carry, and why.
#pragma once

#include <cstdint>
#include <string>

#include "model/problem_tables.h"

namespace kova::formats {

struct Conversion {
    std::string text;   // the converted text (the data language: code page 932, CR LF); empty on an error
    std::string error;  // "line N: why" (or "row N, column M: why"), UTF-8; empty when converted
    bool ok() const { return error.empty(); }
};

// A node's name without the slot's padding, code page 932.
std::string NodeName(const ProblemTables& tables, std::int32_t node);

}  // namespace kova::formats
