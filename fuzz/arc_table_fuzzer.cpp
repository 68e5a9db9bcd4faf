// Feeds arbitrary bytes to the arc-table reader: either one error naming a
// row and no text, or a text the data-language reader takes without harm
// (it may still refuse, say, pieces whose ends go backwards).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/arc_table.h"
#include "parser/problem_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kova::formats::Conversion c = kova::formats::ArcTableToProblem(bytes, "fuzz");
    if (!c.ok()) {
        if (!c.text.empty() || c.error.rfind("row ", 0) != 0) {
            std::abort();
        }
        return 0;
    }
    kova::ProblemTables tables;
    kova::FixedClock clock(kova::DateTime{});
    kova::ProblemParser parser(tables, clock);
    std::string runList;
    parser.ParseProblem(c.text, runList);
    return 0;
}
