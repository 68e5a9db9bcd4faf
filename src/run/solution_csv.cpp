#include "run/solution_csv.h"

#include <charconv>

#include "text/cp932.h"
#include "text/number_text.h"

namespace kova {
namespace {

// A name in quotes when it holds a separator either convention uses, a
// quote or a line end.
void AppendField(std::string& out, const std::string& text) {
    if (text.find_first_of(",;\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

// Shortest text that reads back as the same double, without the table's
// trailing point, which spreadsheets would take as text.
void AppendNumber(std::string& out, double value) {
    if (value == 0.0) {
        value = 0.0;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

std::string SolutionCsv(const std::vector<CalculationRun::SolutionRow>& rows,
                        CsvEncoding encoding) {
    const bool utf8 = encoding == CsvEncoding::Utf8WithBom;
    std::string out = utf8 ? "\xEF\xBB\xBF" : "";
    out += "No.,From,To,Lower,Upper,Cost,Flow\r\n";
    std::int64_t number = 0;
    for (const CalculationRun::SolutionRow& row : rows) {
        out += IntegerText(++number);
        out += ',';
        AppendField(out, utf8 ? Cp932ToUtf8(row.from) : row.from);
        out += ',';
        AppendField(out, utf8 ? Cp932ToUtf8(row.to) : row.to);
        out += ',';
        out += IntegerText(row.lower);
        out += ',';
        out += IntegerText(row.upper);
        out += ',';
        AppendNumber(out, row.cost);
        out += ',';
        out += IntegerText(row.flow);
        out += "\r\n";
    }
    return out;
}

}  // namespace kova
