#include "optimiser/solution_report.h"

#include <string_view>

#include "text/number_text.h"
#include "text/system_texts.h"

namespace kova {
namespace {

// printf's "%Ns": right-aligned, never cut.
void AppendRight(std::string& out, std::string_view text, std::size_t width) {
    if (text.size() < width) {
        out.append(width - text.size(), ' ');
    }
    out.append(text);
}

// A name slot up to its first NUL byte, if any.
std::string_view SlotName(const ProblemTables& t, std::int32_t node) {
    const std::string_view slot(t.NameTable.data() + static_cast<std::size_t>(node) * NameWidth,
                                NameWidth);
    return slot.substr(0, slot.find('\0'));
}

}  // namespace

std::string WriteSolutionTable(const ProblemTables& t, double total) {
    const SystemTexts& texts = Texts();
    std::string out = texts.solutionBanner;
    out += texts.solutionHeading;
    out += "\r\n";
    for (std::size_t r = 0; r < t.BestSolutionTable.size(); ++r) {
        const SolutionRecord& row = t.BestSolutionTable[r];
        AppendRight(out, IntegerText(static_cast<std::int64_t>(r) + 1), 4);
        out += "    ";
        AppendRight(out, SlotName(t, row.from), 8);
        out += "  ";
        AppendRight(out, SlotName(t, row.to), 8);
        out += "  ";
        AppendRight(out, IntegerText(row.lower), 8);
        out += "  ";
        AppendRight(out, IntegerText(row.upper), 8);
        out += "  ";
        AppendRight(out, NumberText(row.cost), 12);
        out += "   ";
        AppendRight(out, IntegerText(row.flow), 8);
        out += "  \r\n";
    }
    out += "\r\n";
    out += texts.totalLabel;
    AppendRight(out, NumberText(total), 12);
    out += "\r\n";
    return out;
}

}  // namespace kova
