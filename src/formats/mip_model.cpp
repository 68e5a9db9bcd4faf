#include "formats/mip_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "formats/conversion.h"

namespace kova::formats {
namespace {

std::string Number(double value) {
    if (value == 0.0) {
        value = 0.0;  // no "-0"
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

const char* const kHowFlowsMapBack[] = {
    "x<n>: the flow on arc No. n (the n-th ARC line), from its start node to its end node",
    "y<n>_<k> = 1: that flow lies on the arc's cost piece k (1 is the first piece)",
    "w<n>_<k>: the flow when it lies on piece k, else 0",
    "b_<node>: what enters the node equals what leaves it",
    "The model's optimum is the problem's least total cost.",
};

std::vector<std::string> Notes(const MipModel& model) {
    std::vector<std::string> notes(std::begin(kHowFlowsMapBack), std::end(kHowFlowsMapBack));
    for (std::size_t n = 0; n < model.nodeNames.size(); ++n) {
        notes.push_back("b_" + std::to_string(n + 1) + ": node " + model.nodeNames[n]);
    }
    return notes;
}

}  // namespace

MipModel BuildMipModel(const ProblemTables& t) {
    MipModel model;
    model.title = t.ProblemTitle;
    std::vector<std::vector<MipModel::Term>> balance(static_cast<std::size_t>(t.NodeCount));
    const auto add = [&](MipModel::Variable variable) {
        model.variables.push_back(std::move(variable));
        return model.variables.size() - 1;
    };
    std::size_t piece = 0;
    for (std::size_t i = 0; i < t.ArcTable.size(); ++i) {
        const ArcRecord& arc = t.ArcTable[i];
        const std::string n = std::to_string(i + 1);
        struct Piece {
            double base, unit;
            std::int64_t start, lo, hi;
        };
        std::vector<Piece> pieces{{arc.baseCost, arc.unitCost, arc.lower, arc.lower, arc.upper}};
        for (std::int32_t k = 1; k < arc.pieceCount; ++k, ++piece) {
            const PieceRecord& extra = t.PieceTable[piece];
            const std::int64_t previous = pieces.back().hi;
            // Integer flows: a piece's first flow is one past the last piece's end.
            pieces.push_back(Piece{extra.baseCost, extra.unitCost, previous, previous + 1,
                                   extra.upper});
        }
        // The one-piece arc with no cost at its lower bound costs unit * flow.
        const bool fromZero = arc.pieceCount == 1 && arc.baseCost == 0.0;
        const std::size_t x = add({"x" + n, static_cast<double>(arc.lower),
                                   static_cast<double>(pieces.back().hi),
                                   fromZero ? arc.unitCost : 0.0, true, false});
        balance[static_cast<std::size_t>(arc.from)].push_back({x, -1.0});
        balance[static_cast<std::size_t>(arc.to)].push_back({x, 1.0});
        if (fromZero) {
            continue;
        }
        MipModel::Row choose{"s" + n, {}, 'E', 1.0};
        MipModel::Row sum{"f" + n, {{x, 1.0}}, 'E', 0.0};
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            const Piece& p = pieces[k];
            if (p.lo > p.hi) {
                continue;  // a piece of no integer flow
            }
            const std::string nk = n + "_" + std::to_string(k + 1);
            const double lo = static_cast<double>(p.lo);
            const double hi = static_cast<double>(p.hi);
            const std::size_t y =
                add({"y" + nk, 0.0, 1.0, p.base - p.unit * static_cast<double>(p.start), true, true});
            const std::size_t w = add({"w" + nk, std::min(0.0, lo), std::max(0.0, hi), p.unit,
                                       false, false});
            const auto bound = [&](const char* name, double end, char sense) {
                MipModel::Row row{name + nk, {{w, 1.0}}, sense, 0.0};
                if (end != 0.0) {
                    row.terms.push_back({y, -end});
                }
                model.rows.push_back(std::move(row));
            };
            bound("lo", lo, 'G');
            bound("hi", hi, 'L');
            choose.terms.push_back({y, 1.0});
            sum.terms.push_back({w, -1.0});
        }
        model.rows.push_back(std::move(choose));
        model.rows.push_back(std::move(sum));
    }
    for (std::int32_t node = 0; node < t.NodeCount; ++node) {
        model.nodeNames.push_back(NodeName(t, node));
        auto& terms = balance[static_cast<std::size_t>(node)];
        if (terms.empty()) {
            continue;
        }
        // A loop enters and leaves its node: its terms cancel.
        std::sort(terms.begin(), terms.end(),
                  [](const auto& a, const auto& b) { return a.variable < b.variable; });
        std::vector<MipModel::Term> merged;
        for (const MipModel::Term& term : terms) {
            if (!merged.empty() && merged.back().variable == term.variable) {
                merged.back().coefficient += term.coefficient;
            } else {
                merged.push_back(term);
            }
        }
        std::erase_if(merged, [](const MipModel::Term& term) { return term.coefficient == 0.0; });
        if (!merged.empty()) {
            model.rows.push_back({"b_" + std::to_string(node + 1), std::move(merged), 'E', 0.0});
        }
    }
    return model;
}

std::string LpText(const MipModel& model) {
    std::string out = "\\ KOVA problem " + model.title + " as a mixed-integer model\n";
    for (const std::string& line : Notes(model)) {
        out += "\\ " + line + '\n';
    }
    // Lines stay short: some readers take 255 characters at most.
    std::size_t lineStart = 0;
    const auto term = [&](double coefficient, const std::string& name) {
        if (out.size() - lineStart > 200) {
            out += "\n   ";
            lineStart = out.size();
        }
        out += coefficient < 0 ? " - " : " + ";
        out += Number(std::fabs(coefficient));
        out += ' ';
        out += name;
    };
    out += "Minimize\n obj:";
    lineStart = out.size();
    bool any = false;
    for (const MipModel::Variable& v : model.variables) {
        if (v.cost != 0.0) {
            term(v.cost, v.name);
            any = true;
        }
    }
    if (!any && !model.variables.empty()) {
        term(0.0, model.variables.front().name);
    }
    out += "\nSubject To\n";
    for (const MipModel::Row& row : model.rows) {
        out += ' ' + row.name + ':';
        lineStart = out.size();
        for (const MipModel::Term& t : row.terms) {
            term(t.coefficient, model.variables[t.variable].name);
        }
        out += row.sense == 'E' ? " = " : row.sense == 'L' ? " <= " : " >= ";
        out += Number(row.rhs) + '\n';
    }
    out += "Bounds\n";
    for (const MipModel::Variable& v : model.variables) {
        if (!v.binary) {
            out += ' ' + Number(v.lower) + " <= " + v.name + " <= " + Number(v.upper) + '\n';
        }
    }
    const auto list = [&](const char* heading, bool binary) {
        out += heading;
        std::size_t count = 0;
        for (const MipModel::Variable& v : model.variables) {
            if (v.integer && v.binary == binary) {
                out += (++count % 10 == 0) ? "\n " : " ";
                out += v.name;
            }
        }
        out += '\n';
    };
    list("General\n", false);
    list("Binary\n", true);
    out += "End\n";
    return out;
}

std::string MpsText(const MipModel& model) {
    std::string out = "* KOVA problem " + model.title + " as a mixed-integer model\n";
    for (const std::string& line : Notes(model)) {
        out += "* " + line + '\n';
    }
    // FREE after the name tells readers that take fixed columns by default.
    out += "NAME KOVA FREE\nROWS\n N obj\n";
    std::vector<std::vector<std::pair<std::size_t, double>>> columns(model.variables.size());
    for (std::size_t r = 0; r < model.rows.size(); ++r) {
        const MipModel::Row& row = model.rows[r];
        out += ' ';
        out += row.sense;
        out += ' ' + row.name + '\n';
        for (const MipModel::Term& t : row.terms) {
            columns[t.variable].emplace_back(r, t.coefficient);
        }
    }
    out += "COLUMNS\n";
    bool inIntegers = false;
    int markers = 0;
    for (std::size_t c = 0; c < model.variables.size(); ++c) {
        const MipModel::Variable& v = model.variables[c];
        if (v.integer != inIntegers) {
            out += " M" + std::to_string(markers++) + " 'MARKER' " +
                   (v.integer ? "'INTORG'\n" : "'INTEND'\n");
            inIntegers = v.integer;
        }
        if (v.cost != 0.0 || columns[c].empty()) {
            out += ' ' + v.name + " obj " + Number(v.cost) + '\n';
        }
        for (const auto& [row, coefficient] : columns[c]) {
            out += ' ' + v.name + ' ' + model.rows[row].name + ' ' + Number(coefficient) + '\n';
        }
    }
    if (inIntegers) {
        out += " M" + std::to_string(markers) + " 'MARKER' 'INTEND'\n";
    }
    out += "RHS\n";
    for (const MipModel::Row& row : model.rows) {
        if (row.rhs != 0.0) {
            out += " rhs " + row.name + ' ' + Number(row.rhs) + '\n';
        }
    }
    out += "BOUNDS\n";
    for (const MipModel::Variable& v : model.variables) {
        if (v.binary) {
            out += " BV bnd " + v.name + '\n';
        } else if (v.lower == v.upper) {
            out += " FX bnd " + v.name + ' ' + Number(v.lower) + '\n';
        } else {
            out += " LO bnd " + v.name + ' ' + Number(v.lower) + '\n';
            out += " UP bnd " + v.name + ' ' + Number(v.upper) + '\n';
        }
    }
    out += "ENDATA\n";
    return out;
}

}  // namespace kova::formats
