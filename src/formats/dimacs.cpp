#include "formats/dimacs.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "text/number_text.h"

namespace kova::formats {
namespace {

// Names are at most NameWidth bytes, so are node numbers.
constexpr std::int64_t kLargestNode = 99999999;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

bool ReadInteger(std::string_view word, std::int64_t& value) {
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    return result.ec == std::errc{} && result.ptr == end;
}

// A title the data language reads as one token.
std::string TitleToken(std::string_view title) {
    std::string token;
    for (const char c : title.substr(0, 40)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        token += plain ? c : '_';
    }
    return token.empty() ? "DIMACS" : token;
}

class DimacsReader {
  public:
    Conversion Read(std::string_view dimacs, std::string_view title) {
        std::size_t lineNo = 0;
        std::size_t pos = 0;
        while (pos < dimacs.size()) {
            std::size_t end = dimacs.find('\n', pos);
            if (end == std::string_view::npos) {
                end = dimacs.size();
            }
            std::string_view line = dimacs.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            pos = end + 1;
            ++lineNo;
            if (!ReadLine(line, lineNo)) {
                return Fail(lineNo);
            }
        }
        if (nodes_ < 0) {
            why_ = "no problem line (p min NODES ARCS)";
            return Fail(lineNo);
        }
        if (static_cast<std::int64_t>(arcs_.size()) != announcedArcs_) {
            why_ = "the problem line announces " + std::to_string(announcedArcs_) +
                   " arcs, but " + std::to_string(arcs_.size()) + " follow";
            return Fail(lineNo);
        }
        std::int64_t supply = 0;
        std::int64_t demand = 0;
        for (const std::int64_t s : supply_) {
            (s > 0 ? supply : demand) += s > 0 ? s : -s;
        }
        if (supply != demand) {
            why_ = "the supplies (" + std::to_string(supply) + ") and the demands (" +
                   std::to_string(demand) + ") do not balance";
            return Fail(lineNo);
        }
        if (supply > LargeInt) {
            why_ = "the total supply " + std::to_string(supply) + " exceeds " +
                   std::to_string(LargeInt) + ", the largest flow the data language holds";
            return Fail(lineNo);
        }
        return Write(title, supply);
    }

  private:
    struct Arc {
        std::int64_t from, to, lower, upper, cost;
    };

    bool ReadLine(std::string_view line, std::size_t lineNo) {
        const std::vector<std::string_view> words = Words(line);
        if (words.empty() || words[0] == "c") {
            return true;
        }
        const std::string_view kind = words[0];
        if (kind == "p") {
            return ReadProblem(words);
        }
        if (kind != "n" && kind != "a") {
            why_ = "a line starts with '" + std::string(kind.substr(0, 20)) +
                   "'; DIMACS lines start with c, p, n or a";
            return false;
        }
        if (nodes_ < 0) {
            why_ = "a " + std::string(kind) + " line before the problem line";
            return false;
        }
        std::vector<std::int64_t> values;
        const std::size_t expected = kind == "n" ? 2 : 5;
        if (words.size() != expected + 1) {
            why_ = "an " + std::string(kind == "n" ? "n line has 2 values (ID FLOW)"
                                                   : "a line has 5 values (SRC DST LOW CAP COST)") +
                   ", this has " + std::to_string(words.size() - 1);
            return false;
        }
        for (std::size_t i = 1; i < words.size(); ++i) {
            std::int64_t value = 0;
            if (!ReadInteger(words[i], value)) {
                why_ = "'" + std::string(words[i].substr(0, 30)) + "' is not a whole number";
                return false;
            }
            values.push_back(value);
        }
        (void)lineNo;
        return kind == "n" ? ReadNode(values) : ReadArc(values);
    }

    bool ReadProblem(const std::vector<std::string_view>& words) {
        if (nodes_ >= 0) {
            why_ = "a second problem line";
            return false;
        }
        if (words.size() != 4 || words[1] != "min") {
            why_ = "the problem line must read: p min NODES ARCS (only minimum-cost-flow files)";
            return false;
        }
        std::int64_t nodes = 0;
        if (!ReadInteger(words[2], nodes) || !ReadInteger(words[3], announcedArcs_) || nodes < 0 ||
            announcedArcs_ < 0) {
            why_ = "the node and arc counts must be whole numbers, 0 or more";
            return false;
        }
        if (nodes > kLargestNode) {
            why_ = std::to_string(nodes) + " nodes: node numbers become names of at most " +
                   std::to_string(NameWidth) + " digits";
            return false;
        }
        nodes_ = nodes;
        supply_.assign(static_cast<std::size_t>(nodes) + 1, 0);
        supplied_.assign(supply_.size(), false);
        arcs_.reserve(static_cast<std::size_t>(std::min<std::int64_t>(announcedArcs_, 1 << 24)));
        return true;
    }

    bool Node(std::int64_t id) {
        if (id < 1 || id > nodes_) {
            why_ = "node " + std::to_string(id) + " is not between 1 and " + std::to_string(nodes_);
            return false;
        }
        return true;
    }

    bool Within(std::int64_t value, const char* what) {
        if (value < -LargeInt || value > LargeInt) {
            why_ = std::string(what) + " " + std::to_string(value) + " lies beyond " +
                   std::to_string(LargeInt) + ", the largest the data language holds";
            return false;
        }
        return true;
    }

    bool ReadNode(const std::vector<std::int64_t>& v) {
        if (!Node(v[0]) || !Within(v[1], "the supply")) {
            return false;
        }
        const auto id = static_cast<std::size_t>(v[0]);
        if (supplied_[id]) {
            why_ = "node " + std::to_string(v[0]) + " has a second n line";
            return false;
        }
        supplied_[id] = true;
        supply_[id] = v[1];
        return true;
    }

    bool ReadArc(const std::vector<std::int64_t>& v) {
        if (static_cast<std::int64_t>(arcs_.size()) >= announcedArcs_) {
            why_ = "more arcs than the problem line announces (" + std::to_string(announcedArcs_) +
                   ")";
            return false;
        }
        if (!Node(v[0]) || !Node(v[1]) || !Within(v[2], "the lower bound") ||
            !Within(v[3], "the capacity") || !Within(v[4], "the cost")) {
            return false;
        }
        if (v[2] > v[3]) {
            why_ = "the lower bound " + std::to_string(v[2]) + " exceeds the capacity " +
                   std::to_string(v[3]);
            return false;
        }
        arcs_.push_back(Arc{v[0], v[1], v[2], v[3], v[4]});
        return true;
    }

    Conversion Fail(std::size_t lineNo) const {
        return Conversion{{}, "line " + std::to_string(lineNo) + ": " + why_};
    }

    Conversion Write(std::string_view title, std::int64_t total) const {
        Conversion out;
        std::string& text = out.text;
        text.reserve(arcs_.size() * 32 + 64);
        text += "TITLE " + TitleToken(title) + "\r\n";
        const auto arc = [&](const std::string& from, const std::string& to, std::int64_t lower,
                             std::int64_t cost, std::int64_t upper) {
            text += "ARC ";
            text += from;
            text += ' ';
            text += to;
            text += ' ';
            text += IntegerText(lower);
            text += " 0 ";
            text += IntegerText(cost);
            text += ' ';
            text += IntegerText(upper);
            text += "\r\n";
        };
        for (const Arc& a : arcs_) {
            arc(IntegerText(a.from), IntegerText(a.to), a.lower, a.cost, a.upper);
        }
        if (total > 0) {
            text += "! supplies and demands as a circulation\r\n";
            for (std::size_t id = 1; id < supply_.size(); ++id) {
                const std::int64_t s = supply_[id];
                const std::string node = IntegerText(static_cast<std::int64_t>(id));
                if (s > 0) {
                    arc("SOURCE", node, s, 0, s);
                } else if (s < 0) {
                    arc(node, "SINK", -s, 0, -s);
                }
            }
            arc("SINK", "SOURCE", total, 0, total);
        }
        text += "END\r\n";
        return out;
    }

    std::int64_t nodes_ = -1;  // before the problem line
    std::int64_t announcedArcs_ = 0;
    std::vector<std::int64_t> supply_;
    std::vector<bool> supplied_;
    std::vector<Arc> arcs_;
    std::string why_;
};

}  // namespace

Conversion DimacsToProblem(std::string_view dimacs, std::string_view title) {
    return DimacsReader().Read(dimacs, title);
}

Conversion ProblemToDimacs(const ProblemTables& t) {
    Conversion out;
    // Node numbers in order of first appearance, as the names were read.
    std::vector<std::int64_t> number(static_cast<std::size_t>(t.NodeCount), 0);
    std::int64_t next = 0;
    double constant = 0.0;
    std::string arcs;
    for (std::size_t i = 0; i < t.ArcTable.size(); ++i) {
        const ArcRecord& arc = t.ArcTable[i];
        const auto where = [&] {
            return "arc " + std::to_string(i + 1) + " (" + NodeName(t, arc.from) + " " +
                   NodeName(t, arc.to) + ")";
        };
        if (arc.pieceCount != 1) {
            out.error = where() + " has " + std::to_string(arc.pieceCount) +
                        " cost pieces; DIMACS carries linear costs only";
            return out;
        }
        // A linear arc costs unit * flow, plus a constant unless its cost at
        // the lower bound is 0 (then it is unit * flow alone).
        const double unit = arc.unitCost;
        if (arc.baseCost != 0.0) {
            constant += arc.baseCost - unit * static_cast<double>(arc.lower);
        }
        if (unit != std::floor(unit) || std::fabs(unit) > LargeInt) {
            out.error = where() + " has the unit cost " + NumberText(unit) +
                        "; DIMACS costs are whole numbers";
            return out;
        }
        for (const std::int32_t node : {arc.from, arc.to}) {
            if (number[static_cast<std::size_t>(node)] == 0) {
                number[static_cast<std::size_t>(node)] = ++next;
            }
        }
        arcs += "a " + IntegerText(number[static_cast<std::size_t>(arc.from)]) + ' ' +
                IntegerText(number[static_cast<std::size_t>(arc.to)]) + ' ' +
                IntegerText(arc.lower) + ' ' + IntegerText(arc.upper) + ' ' +
                IntegerText(static_cast<std::int64_t>(unit)) + '\n';
    }
    // DIMACS has no constant cost: two arcs fixed at 1 between two nodes of
    // their own carry it.
    std::int64_t arcCount = static_cast<std::int64_t>(t.ArcTable.size());
    std::string constantNote;
    if (constant != 0.0) {
        if (constant != std::floor(constant) || std::fabs(constant) > LargeInt) {
            out.error = "the costs at the lower bounds add up to a constant of " +
                        NumberText(constant) + ", which DIMACS cannot carry as a whole number";
            return out;
        }
        const std::string p = IntegerText(next + 1);
        const std::string q = IntegerText(next + 2);
        arcs += "a " + p + " " + q + " 1 1 " + IntegerText(static_cast<std::int64_t>(constant)) +
                "\na " + q + " " + p + " 1 1 0\n";
        constantNote = "c nodes " + p + " and " + q + " and the last two arcs carry the constant cost " +
                       IntegerText(static_cast<std::int64_t>(constant)) + "\n";
        next += 2;
        arcCount += 2;
    }
    std::string& text = out.text;
    text = "c " + t.ProblemTitle + "\nc a circulation: every node's supply is 0\n" + constantNote;
    std::vector<std::int32_t> byNumber(static_cast<std::size_t>(next) + 1, -1);
    for (std::int32_t node = 0; node < t.NodeCount; ++node) {
        if (number[static_cast<std::size_t>(node)] != 0) {
            byNumber[static_cast<std::size_t>(number[static_cast<std::size_t>(node)])] = node;
        }
    }
    for (std::int64_t n = 1; n <= next; ++n) {
        const std::int32_t node = byNumber[static_cast<std::size_t>(n)];
        if (node >= 0) {
            text += "c node " + IntegerText(n) + " " + NodeName(t, node) + "\n";
        }
    }
    text += "p min " + IntegerText(next) + " " + IntegerText(arcCount) + "\n";
    text += arcs;
    return out;
}

}  // namespace kova::formats
