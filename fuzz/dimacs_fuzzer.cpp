// Feeds arbitrary bytes to the DIMACS reader: either one error and no text,
// or a text the data-language reader accepts whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/dimacs.h"
#include "parser/problem_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kova::formats::Conversion c = kova::formats::DimacsToProblem(bytes, "fuzz");
    if (!c.ok()) {
        if (!c.text.empty() || c.error.rfind("line ", 0) != 0) {
            std::abort();
        }
        return 0;
    }
    kova::ProblemTables tables;
    kova::FixedClock clock(kova::DateTime{});
    kova::ProblemParser parser(tables, clock);
    std::string runList;
    if (!parser.ParseProblem(c.text, runList)) {
        std::abort();
    }
    return 0;
}
