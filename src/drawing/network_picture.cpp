#include "drawing/network_picture.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "parser/problem_parser.h"
#include "text/clock.h"
#include "text/cp932.h"

namespace kova::drawing {
namespace {

std::string Trimmed(std::string slot) {
    slot = slot.substr(0, slot.find('\0'));
    return slot.substr(0, slot.find_last_not_of(' ') + 1);
}

// Thousands apart, as the other texts write counts: 12 345.
std::string Count(std::size_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += ' ';
        }
        out += digits[i];
    }
    return out;
}

}  // namespace

NetworkPicture PictureOfSolution(const std::vector<CalculationRun::SolutionRow>& rows,
                                 double total) {
    NetworkPicture picture;
    picture.hasFlows = true;
    picture.total = total;
    std::map<std::string, std::int32_t> index;
    const auto node = [&](const std::string& cp932) {
        const auto [it, added] = index.emplace(cp932, static_cast<std::int32_t>(picture.nodes.size()));
        if (added) {
            picture.nodes.push_back(Cp932ToUtf8(cp932));
        }
        return it->second;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CalculationRun::SolutionRow& row = rows[i];
        PictureArc arc;
        arc.number = static_cast<std::int32_t>(i + 1);
        arc.from = node(row.from);
        arc.to = node(row.to);
        arc.lower = row.lower;
        arc.upper = row.upper;
        arc.cost = row.cost;
        arc.flow = row.flow;
        picture.arcs.push_back(arc);
    }
    return picture;
}

std::optional<NetworkPicture> PictureOfText(std::string_view text) {
    ProblemTables tables;
    FixedClock clock(DateTime{});
    ProblemParser parser(tables, clock);
    std::string runList;
    if (text.empty() || !parser.ParseProblem(text, runList)) {
        return std::nullopt;
    }
    NetworkPicture picture;
    for (std::int32_t n = 0; n < tables.NodeCount; ++n) {
        picture.nodes.push_back(Cp932ToUtf8(Trimmed(tables.NameSlot(n))));
    }
    PieceCursor cursor(tables.PieceTable.data());
    for (std::size_t i = 0; i < tables.ArcTable.size(); ++i) {
        const ArcRecord& record = tables.ArcTable[i];
        const PieceRecord* pieces = cursor.Take(record);
        PictureArc arc;
        arc.number = static_cast<std::int32_t>(i + 1);
        arc.from = record.from;
        arc.to = record.to;
        arc.lower = record.lower;
        arc.upper = RangeEnd(record, pieces);
        arc.line = i < parser.ArcLines().size() ? parser.ArcLines()[i] : 0;
        picture.arcs.push_back(arc);
    }
    return picture;
}

bool AddFlows(NetworkPicture& picture, const std::vector<CalculationRun::SolutionRow>& rows,
              double total) {
    if (rows.size() != picture.arcs.size()) {
        return false;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PictureArc& arc = picture.arcs[i];
        if (Cp932ToUtf8(rows[i].from) != picture.nodes[static_cast<std::size_t>(arc.from)] ||
            Cp932ToUtf8(rows[i].to) != picture.nodes[static_cast<std::size_t>(arc.to)]) {
            return false;
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        picture.arcs[i].cost = rows[i].cost;
        picture.arcs[i].flow = rows[i].flow;
    }
    picture.hasFlows = true;
    picture.total = total;
    return true;
}

std::int32_t ArcAtLine(const NetworkPicture& picture, std::int32_t line) {
    std::int32_t found = 0;
    for (const PictureArc& arc : picture.arcs) {
        if (arc.line > 0 && arc.line <= line) {
            found = arc.number;
        }
    }
    return found;
}

ArcsToDraw ChooseArcs(const NetworkPicture& picture, bool hideEmpty) {
    ArcsToDraw choice;
    const std::size_t total = picture.arcs.size();
    std::size_t withFlow = 0;
    for (const PictureArc& arc : picture.arcs) {
        withFlow += arc.flow != 0 ? 1 : 0;
    }
    const bool whole = total <= kWholeNetworkArcs;
    const bool flowOnly = hideEmpty || !whole;
    if (!whole && (!picture.hasFlows || withFlow > kMostArcsDrawn)) {
        choice.notice = "The network is too large to draw whole: " + Count(total) + " arcs, " +
                        (picture.hasFlows ? Count(withFlow) + " with flow" : "no calculation yet") +
                        " (at most " + Count(kMostArcsDrawn) + " arcs with flow are drawn).";
        return choice;
    }
    std::vector<bool> touched(picture.nodes.size(), false);
    for (std::size_t i = 0; i < total; ++i) {
        const PictureArc& arc = picture.arcs[i];
        if (flowOnly && picture.hasFlows && arc.flow == 0) {
            continue;
        }
        choice.arcs.push_back(static_cast<std::int32_t>(i));
        touched[static_cast<std::size_t>(arc.from)] = true;
        touched[static_cast<std::size_t>(arc.to)] = true;
    }
    for (std::size_t n = 0; n < touched.size(); ++n) {
        if (touched[n]) {
            choice.nodes.push_back(static_cast<std::int32_t>(n));
        }
    }
    if (!whole) {
        choice.notice = Count(total) + " arcs: only the " + Count(withFlow) +
                        " with flow are drawn.";
    }
    return choice;
}

double ArcWidth(std::int64_t flow, std::int64_t largestFlow) {
    if (flow == 0 || largestFlow == 0) {
        return 1.0;
    }
    const double share = std::fabs(static_cast<double>(flow)) /
                         std::fabs(static_cast<double>(largestFlow));
    return 1.5 + 7.5 * std::min(1.0, share);
}

double CostShare(double cost, double total) {
    if (!(total > 0.0) || !(cost > 0.0)) {
        return 0.0;
    }
    return std::min(1.0, cost / total);
}

}  // namespace kova::drawing
