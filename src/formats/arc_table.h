// A spreadsheet's arc table (CSV) into the data language: a header row
// naming from, to, lower, and base, unit, end for each cost piece, then one
// arc per row.
#pragma once

#include <string_view>

#include "formats/conversion.h"

namespace kova::formats {

// UTF-8 (with or without a byte-order mark) or code page 932; comma or
// semicolon between cells, as the header row shows; cells in double quotes
// may hold either. A row may leave out its last pieces (empty cells).
Conversion ArcTableToProblem(std::string_view csv, std::string_view title);

}  // namespace kova::formats
