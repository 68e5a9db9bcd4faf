#include "formats/arc_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "text/cp932.h"
#include "text/number_text.h"

namespace kova::formats {
namespace {

// Valid UTF-8 with at least one byte above ASCII; pure ASCII reads the same
// either way.
bool LooksLikeUtf8(std::string_view bytes) {
    bool wide = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3
                                         : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > bytes.size()) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) >> 6) != 0x2) {
                return false;
            }
        }
        wide = wide || length > 1;
        i += static_cast<std::size_t>(length);
    }
    return wide;
}

enum class Column { From, To, Lower, Base, Unit, End };

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// A cell's text for a message: quoted, at most 30 bytes.
std::string Quoted(const std::string& text) {
    std::string out = "'";
    out.append(text, 0, 30);
    out += '\'';
    return out;
}

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
}

class ArcTableReader {
  public:
    Conversion Read(std::string_view csv, std::string_view title) {
        if (csv.substr(0, 3) == "\xEF\xBB\xBF") {
            csv.remove_prefix(3);
            utf8_ = true;
        } else {
            utf8_ = LooksLikeUtf8(csv);
        }
        text_ = csv;
        std::vector<std::string> cells;
        if (!NextRow(cells)) {
            return Fail(1, 0, "the table is empty; its first row names the columns");
        }
        if (!ReadHeader(cells)) {
            return failure_;
        }
        std::string arcs;
        std::size_t count = 0;
        while (NextRow(cells)) {
            if (cells.size() == 1 && Trim(cells[0]).empty()) {
                arcs += "\r\n";  // so each row keeps its line: the reader's errors name rows
                continue;
            }
            if (cells.size() != columns_.size()) {
                return Fail(row_, 0, "has " + std::to_string(cells.size()) + " cells, the header " +
                                         std::to_string(columns_.size()));
            }
            if (!ReadArc(cells, arcs)) {
                return failure_;
            }
            ++count;
        }
        if (!failure_.error.empty()) {
            return failure_;
        }
        if (count == 0) {
            return Fail(row_, 0, "no arc rows below the header");
        }
        Conversion out;
        std::string token;
        for (const char c : title.substr(0, 40)) {
            token += (static_cast<unsigned char>(c) > 0x20 && c != '!') ? c : '_';
        }
        const Utf8Conversion titleText = Utf8ToCp932(token.empty() ? "TABLE" : token);
        out.text = "TITLE " + (titleText.ok ? titleText.bytes : std::string("TABLE")) + "\r\n" +
                   arcs + "END\r\n";
        return out;
    }

  private:
    Conversion Fail(std::size_t row, std::size_t column, const std::string& why) {
        failure_ = Conversion{{},
                              "row " + std::to_string(row) +
                                  (column > 0 ? ", column " + std::to_string(column) : "") + ": " +
                                  why};
        return failure_;
    }

    // One row's cells, quotes removed; false at the end of the text.
    bool NextRow(std::vector<std::string>& cells) {
        cells.clear();
        if (pos_ >= text_.size()) {
            return false;
        }
        ++row_;
        std::string cell;
        bool quoted = false;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (quoted) {
                if (c == '"' && pos_ < text_.size() && text_[pos_] == '"') {
                    cell += '"';
                    ++pos_;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    cell += c;
                }
            } else if (c == '"') {
                quoted = true;
            } else if (c == separator_ || (separator_ == 0 && (c == ',' || c == ';'))) {
                if (separator_ == 0) {
                    separator_ = c;  // the header row decides
                }
                cells.push_back(std::move(cell));
                cell.clear();
            } else if (c == '\n') {
                break;
            } else if (c != '\r') {
                cell += c;
            }
        }
        if (quoted) {
            Fail(row_, cells.size() + 1, "a quoted cell does not end");
            return false;
        }
        cells.push_back(std::move(cell));
        return true;
    }

    bool ReadHeader(const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::string name = Lower(Trim(cells[i]));
            Column column;
            if (name == "from") {
                column = Column::From;
            } else if (name == "to") {
                column = Column::To;
            } else if (name == "lower") {
                column = Column::Lower;
            } else if (name == "base") {
                column = Column::Base;
            } else if (name == "unit") {
                column = Column::Unit;
            } else if (name == "end") {
                column = Column::End;
            } else {
                Fail(1, i + 1,
                     "unknown column " + Quoted(Trim(cells[i])) +
                         " (the columns are from, to, lower, then base, unit, end per piece)");
                return false;
            }
            columns_.push_back(column);
        }
        // from, to, lower, then whole pieces in order.
        const Column expected[] = {Column::From, Column::To, Column::Lower};
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const Column want = i < 3 ? expected[i]
                                      : (i - 3) % 3 == 0 ? Column::Base
                                      : (i - 3) % 3 == 1 ? Column::Unit
                                                         : Column::End;
            if (columns_[i] != want) {
                Fail(1, i + 1,
                     "the columns must come as from, to, lower, then base, unit, end for each "
                     "piece");
                return false;
            }
        }
        if (columns_.size() < 6 || (columns_.size() - 3) % 3 != 0) {
            Fail(1, 0, "the header needs from, to, lower and at least one piece's base, unit, end");
            return false;
        }
        return true;
    }

    bool Name(const std::string& cell, std::size_t column, std::string& name) {
        std::string trimmed = Trim(cell);
        if (utf8_) {
            const Utf8Conversion converted = Utf8ToCp932(trimmed);
            if (!converted.ok) {
                Fail(row_, column, "the name has a character without a code page 932 form");
                return false;
            }
            trimmed = converted.bytes;
        }
        if (trimmed.empty()) {
            Fail(row_, column, "the node name is empty");
            return false;
        }
        if (trimmed.size() > static_cast<std::size_t>(NameWidth)) {
            Fail(row_, column, "the node name is longer than " + std::to_string(NameWidth) +
                                   " bytes");
            return false;
        }
        for (const char c : trimmed) {
            if (static_cast<unsigned char>(c) <= 0x20 || c == '!') {
                Fail(row_, column, "a node name holds no spaces, controls or '!'");
                return false;
            }
        }
        name = trimmed;
        return true;
    }

    bool Value(const std::string& cell, std::size_t column, bool whole, std::string& text) {
        std::string trimmed = Trim(cell);
        // Where cells part at semicolons, a comma is the decimal point.
        if (separator_ == ';' && trimmed.find('.') == std::string::npos) {
            std::replace(trimmed.begin(), trimmed.end(), ',', '.');
        }
        const std::optional<double> value = ReadNumberText(trimmed);
        if (!value) {
            Fail(row_, column, Quoted(trimmed) + " is not a number");
            return false;
        }
        if (std::fabs(*value) > LargeInt) {
            Fail(row_, column, trimmed.substr(0, 30) + " lies beyond " + std::to_string(LargeInt) +
                                   ", the largest the data language holds");
            return false;
        }
        if (whole && *value != std::floor(*value)) {
            Fail(row_, column, "a bound or piece end is a whole number, not " + trimmed.substr(0, 30));
            return false;
        }
        // As the data language writes numbers: no exponent, no sign of zero.
        char buffer[400];
        const double v = *value == 0.0 ? 0.0 : *value;
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
        text.assign(buffer, result.ptr);
        return true;
    }

    bool ReadArc(const std::vector<std::string>& cells, std::string& arcs) {
        std::string from;
        std::string to;
        std::string lower;
        if (!Name(cells[0], 1, from) || !Name(cells[1], 2, to) || !Value(cells[2], 3, true, lower)) {
            return false;
        }
        std::string line = "ARC " + from + " " + to + " " + lower;
        std::size_t pieces = 0;
        bool ended = false;
        for (std::size_t i = 3; i < cells.size(); i += 3) {
            const bool empty = Trim(cells[i]).empty() && Trim(cells[i + 1]).empty() &&
                               Trim(cells[i + 2]).empty();
            if (empty) {
                ended = true;
                continue;
            }
            if (ended) {
                return Fail(row_, i + 1, "a piece after an empty one").ok();
            }
            for (std::size_t k = 0; k < 3; ++k) {
                std::string text;
                if (!Value(cells[i + k], i + k + 1, k == 2, text)) {
                    return false;
                }
                line += " " + text;
            }
            ++pieces;
        }
        if (pieces == 0) {
            return Fail(row_, 4, "the arc has no cost piece").ok();
        }
        arcs += line + "\r\n";
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t row_ = 0;
    char separator_ = 0;
    bool utf8_ = false;
    std::vector<Column> columns_;
    Conversion failure_;
};

}  // namespace

Conversion ArcTableToProblem(std::string_view csv, std::string_view title) {
    return ArcTableReader().Read(csv, title);
}

}  // namespace kova::formats
