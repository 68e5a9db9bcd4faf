// Feeds arbitrary bytes to the reader and checks what must hold for every
// input: the tables are never written past their sizes (the sanitizers see
// that), an accepted problem is complete and consistent with values the
// calculation can carry, and the code page
// 932 conversion gives back every byte.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/problem_tables.h"
#include "parser/problem_parser.h"
#include "text/clock.h"
#include "text/cp932.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    kova::ProblemTables tables;
    kova::FixedClock clock(kova::DateTime{2026, 12, 7, 9, 30, 0});
    kova::ProblemParser parser(tables, clock);
    std::string runList;
    const bool accepted = parser.ParseProblem(text, runList);

    Require(runList.size() >= 2 && runList.compare(runList.size() - 2, 2, "\r\n") == 0);
    Require(accepted == (tables.ErrorCount == 0));
    Require(accepted != parser.Error().has_value());
    if (accepted) {
        std::int32_t pieces = 0;
        std::int32_t multiPieceArcs = 0;
        for (const kova::ArcRecord& arc : tables.ArcTable) {
            Require(arc.from >= 0 && arc.from < tables.NodeCount);
            Require(arc.to >= 0 && arc.to < tables.NodeCount);
            Require(arc.lower <= arc.upper);
            Require(arc.lower >= -kova::LargeInt && arc.upper <= kova::LargeInt);
            Require(std::isfinite(arc.baseCost) && std::isfinite(arc.unitCost));
            Require(arc.pieceCount >= 1);
            pieces += arc.pieceCount - 1;
            multiPieceArcs += arc.pieceCount > 1;
        }
        Require(pieces == tables.ExtraPieceCount);
        for (const kova::PieceRecord& piece : tables.PieceTable) {
            Require(piece.upper <= kova::LargeInt);
            Require(std::isfinite(piece.baseCost) && std::isfinite(piece.unitCost));
        }
        Require(tables.NetArcBound == tables.ArcCount + 2 * pieces + multiPieceArcs);
    }
    tables.Release();

    Require(kova::EncodeCp932(kova::DecodeCp932(text)) == text);
    // UTF-8 without raw-byte characters (U+F700-U+F7FF) converts both ways.
    const kova::Utf8Conversion utf8 = kova::Utf8ToCp932(text);
    const bool rawBytes = text.find("\xEF\x9C") != std::string_view::npos ||
                          text.find("\xEF\x9D") != std::string_view::npos ||
                          text.find("\xEF\x9E") != std::string_view::npos ||
                          text.find("\xEF\x9F") != std::string_view::npos;
    if (utf8.ok && !rawBytes) {
        Require(kova::Cp932ToUtf8(utf8.bytes) == text);
    }
    return 0;
}
