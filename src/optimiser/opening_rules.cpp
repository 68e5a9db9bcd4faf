#include "optimiser/opening_rules.h"

#include <algorithm>

namespace kova {
namespace {

constexpr double kWide = 1e30;       // an arc without a charge: no limit
constexpr double kShortfall = 1e-3;  // a set rule must be broken by this much

// Blocking flows on real capacities, stopped once `need` has passed: the
// cuts sought are those below 1.
class CutFinder {
  public:
    explicit CutFinder(std::size_t nodes) : head_(nodes, -1), level_(nodes), next_(nodes) {}
    void AddArc(std::int32_t from, std::int32_t to, double capacity) {
        Push(from, to, capacity);
        Push(to, from, 0.0);
    }
    void Reset() { residual_ = capacity_; }
    double Flow(std::int32_t source, std::int32_t sink, double need) {
        double flow = 0.0;
        while (flow < need && Levels(source, sink)) {
            next_ = head_;
            flow += Augment(source, sink, need - flow);
        }
        return flow;
    }
    // Nodes that still reach `sink` through arcs with room left.
    void SinkSide(std::int32_t sink, std::vector<char>& inside) const {
        inside.assign(head_.size(), 0);
        std::vector<std::int32_t> queue{sink};
        inside[Index(sink)] = 1;
        for (std::size_t q = 0; q < queue.size(); ++q) {
            for (std::int32_t e = head_[Index(queue[q])]; e >= 0; e = link_[Index(e)]) {
                const std::int32_t v = to_[Index(e)];
                if (!inside[Index(v)] && residual_[Index(e ^ 1)] > kEpsilon) {
                    inside[Index(v)] = 1;
                    queue.push_back(v);
                }
            }
        }
    }

  private:
    static constexpr double kEpsilon = 1e-9;
    void Push(std::int32_t from, std::int32_t to, double capacity) {
        to_.push_back(to);
        capacity_.push_back(capacity);
        link_.push_back(head_[Index(from)]);
        head_[Index(from)] = static_cast<std::int32_t>(to_.size() - 1);
    }
    bool Levels(std::int32_t source, std::int32_t sink) {
        std::fill(level_.begin(), level_.end(), -1);
        std::vector<std::int32_t>& queue = queue_;
        queue.assign(1, source);
        level_[Index(source)] = 0;
        for (std::size_t q = 0; q < queue.size(); ++q) {
            const std::int32_t u = queue[q];
            for (std::int32_t e = head_[Index(u)]; e >= 0; e = link_[Index(e)]) {
                const std::int32_t v = to_[Index(e)];
                if (level_[Index(v)] < 0 && residual_[Index(e)] > kEpsilon) {
                    level_[Index(v)] = level_[Index(u)] + 1;
                    queue.push_back(v);
                }
            }
        }
        return level_[Index(sink)] >= 0;
    }
    double Augment(std::int32_t u, std::int32_t sink, double limit) {
        if (u == sink) {
            return limit;
        }
        double pushed = 0.0;
        for (std::int32_t& e = next_[Index(u)]; e >= 0; e = link_[Index(e)]) {
            const std::int32_t v = to_[Index(e)];
            if (level_[Index(v)] != level_[Index(u)] + 1 || residual_[Index(e)] <= kEpsilon) {
                continue;
            }
            const double got = Augment(v, sink, std::min(limit - pushed, residual_[Index(e)]));
            residual_[Index(e)] -= got;
            residual_[Index(e ^ 1)] += got;
            pushed += got;
            if (pushed >= limit) {
                break;
            }
        }
        return pushed;
    }

    std::vector<std::int32_t> head_, level_, next_, queue_;
    std::vector<std::int32_t> to_, link_;
    std::vector<double> capacity_, residual_;
};

}  // namespace

bool IsCharged(const ArcRecord& parsed) {
    return parsed.lower == 0 && parsed.upper == 0 && parsed.pieceCount >= 2 &&
           parsed.baseCost == 0.0;
}

void OpeningRules::AddRule(const std::int32_t* first, const std::int32_t* last) {
    std::vector<std::int32_t> arcs(first, last);
    std::sort(arcs.begin(), arcs.end());
    if (!known_.insert(arcs).second) {
        return;
    }
    double largest = 0.0;
    for (const std::int32_t arc : arcs) {
        ruled_.push_back(arc);
        largest = std::max(largest, charge_[Index(arc)]);
        if (!read_[Index(arc)]) {
            read_[Index(arc)] = 1;
            ruleArcs_.push_back(arc);
        }
    }
    ruleStart_.push_back(static_cast<std::int32_t>(ruled_.size()));
    largestCharge_.push_back(largest);
}

void OpeningRules::Find(const ProblemTables& t, const std::vector<std::int64_t>& end) {
    ruleStart_.assign(1, 0);
    ruled_.clear();
    arcRuleStart_.clear();
    ruleArcs_.clear();
    largestCharge_.clear();
    known_.clear();
    read_.assign(Index(t.ArcCount), 0);
    // A charged arc's charge is the base of its second piece.
    charge_.assign(Index(t.ArcCount), 0.0);
    PieceCursor cursor(t.PieceTable.data());
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const PieceRecord* pieces = cursor.Take(t.ArcTable.At(i));
        if (IsCharged(t.ArcTable.At(i))) {
            charge_[Index(i)] = pieces[0].baseCost;
        }
    }
    const auto nodes = Index(t.NodeCount);
    // Flows are integers: a node that passes on 1 unit or more has an
    // entering arc that carries 1 or more, an open one when all are charged.
    std::vector<std::int64_t> inLeast(nodes, 0), outLeast(nodes, 0);
    std::vector<char> uncharged(nodes, 0);
    std::vector<std::int32_t> enterStart(nodes + 1, 0);
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const ArcRecord& arc = t.WorkArcTable.At(i);
        if (arc.from == arc.to) {
            continue;  // a loop passes on what it brings
        }
        inLeast[Index(arc.to)] += arc.lower;
        outLeast[Index(arc.from)] += arc.lower;
        if (end[Index(i)] > 0) {
            ++enterStart[Index(arc.to) + 1];
            uncharged[Index(arc.to)] |= IsCharged(t.ArcTable.At(i)) ? 0 : 1;
        }
    }
    for (std::size_t v = 0; v < nodes; ++v) {
        enterStart[v + 1] += enterStart[v];
    }
    std::vector<std::int32_t> entering(Index(enterStart[nodes]));
    std::vector<std::int32_t> fill(enterStart.begin(), enterStart.end() - 1);
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const ArcRecord& arc = t.WorkArcTable.At(i);
        if (arc.from != arc.to && end[Index(i)] > 0) {
            entering[Index(fill[Index(arc.to)]++)] = i;
        }
    }
    for (std::size_t v = 0; v < nodes; ++v) {
        if (!uncharged[v] && enterStart[v + 1] > enterStart[v] &&
            std::max(inLeast[v], outLeast[v]) >= 1) {
            AddRule(entering.data() + enterStart[v], entering.data() + enterStart[v + 1]);
        }
    }
}

std::size_t OpeningRules::AddSetRules(const ProblemTables& t, const std::vector<std::int64_t>& end,
                                      const std::vector<double>& opening, std::size_t limit) {
    CutFinder cuts(Index(t.NodeCount));
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        const ArcRecord& arc = t.WorkArcTable.At(i);
        if (arc.from != arc.to && end[Index(i)] > 0) {
            cuts.AddArc(arc.from, arc.to,
                        IsCharged(t.ArcTable.At(i)) ? std::max(0.0, opening[Index(i)]) : kWide);
        }
    }
    std::size_t added = 0;
    std::vector<char> inside;
    std::vector<std::int32_t> arcs;
    for (std::int32_t d = 0; d < t.ArcCount && added < limit; ++d) {
        const ArcRecord& must = t.WorkArcTable.At(d);
        if (must.lower < 1 || must.from == must.to) {
            continue;
        }
        cuts.Reset();
        if (cuts.Flow(must.to, must.from, 1.0) >= 1.0 - kShortfall) {
            continue;
        }
        cuts.SinkSide(must.from, inside);
        // What leaves the set by the lower bounds must enter it, by charged
        // arcs alone.
        std::int64_t leaving = 0;
        double entered = 0.0;
        bool charged = true;
        arcs.clear();
        for (std::int32_t i = 0; i < t.ArcCount; ++i) {
            const ArcRecord& arc = t.WorkArcTable.At(i);
            const bool from = inside[Index(arc.from)] != 0;
            const bool to = inside[Index(arc.to)] != 0;
            if (from && !to) {
                leaving += arc.lower;
            } else if (!from && to && end[Index(i)] > 0) {
                charged = charged && IsCharged(t.ArcTable.At(i));
                entered += opening[Index(i)];
                arcs.push_back(i);
            }
        }
        if (charged && leaving >= 1 && !arcs.empty() && entered < 1.0 - kShortfall) {
            const std::size_t before = Count();
            AddRule(arcs.data(), arcs.data() + arcs.size());
            added += Count() - before;
        }
    }
    return added;
}

void OpeningRules::Violations(const std::vector<double>& opening, std::vector<double>& out) {
    // By arc rather than by rule: in a relaxation's flow most ruled arcs
    // are closed and add nothing.
    if (arcRuleStart_.size() != read_.size() + 1 || arcRules_.size() != ruled_.size()) {
        arcRuleStart_.assign(read_.size() + 1, 0);
        for (const std::int32_t arc : ruled_) {
            ++arcRuleStart_[Index(arc) + 1];
        }
        for (std::size_t a = 0; a < read_.size(); ++a) {
            arcRuleStart_[a + 1] += arcRuleStart_[a];
        }
        arcRules_.resize(ruled_.size());
        std::vector<std::int32_t> fill(arcRuleStart_.begin(), arcRuleStart_.end() - 1);
        for (std::size_t r = 0; r < Count(); ++r) {
            for (std::int32_t k = ruleStart_[r]; k < ruleStart_[r + 1]; ++k) {
                arcRules_[Index(fill[Index(ruled_[Index(k)])]++)] = static_cast<std::int32_t>(r);
            }
        }
    }
    out.assign(Count(), 0.0);
    for (const std::int32_t arc : ruleArcs_) {
        const double open = opening[Index(arc)];
        if (open == 0.0) {
            continue;
        }
        for (std::int32_t k = arcRuleStart_[Index(arc)]; k < arcRuleStart_[Index(arc) + 1]; ++k) {
            out[Index(arcRules_[Index(k)])] += open;
        }
    }
    for (double& violation : out) {
        violation = 1.0 - violation;
    }
}

double OpeningRules::Charges(const std::vector<double>& prices, std::vector<double>& charge) const {
    std::fill(charge.begin(), charge.end(), 0.0);
    double constant = 0.0;
    for (std::size_t r = 0; r < Count(); ++r) {
        if (prices[r] == 0.0) {
            continue;  // most rules are unpriced
        }
        for (std::int32_t k = ruleStart_[r]; k < ruleStart_[r + 1]; ++k) {
            charge[Index(ruled_[Index(k)])] += prices[r];
        }
        constant += prices[r];
    }
    return constant;
}

}  // namespace kova
