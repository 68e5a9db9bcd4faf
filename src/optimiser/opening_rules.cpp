#include "optimiser/opening_rules.h"

#include <algorithm>

namespace kova {
namespace {


}  // namespace

bool IsCharged(const ArcRecord& parsed) {
    return parsed.lower == 0 && parsed.upper == 0 && parsed.pieceCount >= 2 &&
           parsed.baseCost == 0.0;
}

void OpeningRules::Find(const ProblemTables& t, const std::vector<std::int64_t>& end) {
    rules_.clear();
    ruleArcs_.clear();
    const auto nodes = Index(t.NodeCount);
    // Flows are integers: a node that passes on 1 unit or more has an
    // entering arc that carries 1 or more, an open one when all are charged.
    std::vector<std::int64_t> inLeast(nodes, 0), outLeast(nodes, 0);
    std::vector<char> uncharged(nodes, 0);
    enterStart_.assign(nodes + 1, 0);
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const ArcRecord& arc = t.WorkArcTable.At(i);
        if (arc.from == arc.to) {
            continue;  // a loop passes on what it brings
        }
        inLeast[Index(arc.to)] += arc.lower;
        outLeast[Index(arc.from)] += arc.lower;
        if (end[Index(i)] > 0) {
            ++enterStart_[Index(arc.to) + 1];
            uncharged[Index(arc.to)] |= IsCharged(t.ArcTable.At(i)) ? 0 : 1;
        }
    }
    for (std::size_t v = 0; v < nodes; ++v) {
        enterStart_[v + 1] += enterStart_[v];
    }
    entering_.resize(Index(enterStart_[nodes]));
    std::vector<std::int32_t> fill(enterStart_.begin(), enterStart_.end() - 1);
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const ArcRecord& arc = t.WorkArcTable.At(i);
        if (arc.from != arc.to && end[Index(i)] > 0) {
            entering_[Index(fill[Index(arc.to)]++)] = i;
        }
    }
    const auto ruled = [&](std::size_t v) {
        return !uncharged[v] && enterStart_[v + 1] > enterStart_[v];
    };
    for (std::size_t v = 0; v < nodes; ++v) {
        if (ruled(v) && std::max(inLeast[v], outLeast[v]) >= 1) {
            rules_.push_back(static_cast<std::int32_t>(v));
        }
    }
    // A charged arc's charge is the base of its second piece.
    std::vector<double> charge(Index(t.ArcCount), 0.0);
    PieceCursor cursor(t.PieceTable.data());
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const PieceRecord* pieces = cursor.Take(t.ArcTable.At(i));
        if (IsCharged(t.ArcTable.At(i))) {
            charge[Index(i)] = pieces[0].baseCost;
        }
    }
    std::vector<char> read(Index(t.ArcCount), 0);
    largestCharge_.assign(rules_.size(), 0.0);
    for (std::size_t r = 0; r < rules_.size(); ++r) {
        const std::int32_t node = rules_[r];
        for (std::int32_t k = enterStart_[Index(node)]; k < enterStart_[Index(node) + 1]; ++k) {
            read[Index(entering_[Index(k)])] = 1;
            largestCharge_[r] = std::max(largestCharge_[r], charge[Index(entering_[Index(k)])]);
        }
    }
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        if (read[Index(i)]) {
            ruleArcs_.push_back(i);
        }
    }
}

void OpeningRules::Violations(const std::vector<double>& opening, std::vector<double>& out) const {
    out.resize(rules_.size());
    for (std::size_t r = 0; r < rules_.size(); ++r) {
        const std::int32_t node = rules_[r];
        double entered = 0.0;
        for (std::int32_t k = enterStart_[Index(node)]; k < enterStart_[Index(node) + 1]; ++k) {
            entered += opening[Index(entering_[Index(k)])];
        }
        out[r] = 1.0 - entered;
    }
}

double OpeningRules::Charges(const std::vector<double>& prices, std::vector<double>& charge) const {
    std::fill(charge.begin(), charge.end(), 0.0);
    double constant = 0.0;
    for (std::size_t r = 0; r < rules_.size(); ++r) {
        const std::int32_t node = rules_[r];
        for (std::int32_t k = enterStart_[Index(node)]; k < enterStart_[Index(node) + 1]; ++k) {
            charge[Index(entering_[Index(k)])] += prices[r];
        }
        constant += prices[r];
    }
    return constant;
}

}  // namespace kova
