// A rule every integer circulation keeps about charged arcs, to strengthen
// the relaxation by Lagrange prices. A charged arc costs nothing at flow 0
// and pays its charge from flow 1 on: it is open when it carries flow. A
// node that must pass on at least 1 unit, and that only charged arcs may
// enter, has an entering arc that carries 1 or more: an open one. The same
// holds for a set of nodes that must pass on 1 unit or more out of the set:
// such sets are found by minimum cuts where the openings fall short.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "model/problem_tables.h"

namespace kova {

// No cost at flow 0 and a first piece that ends there.
bool IsCharged(const ArcRecord& parsed);

class OpeningRules {
  public:
    // From the root's working arcs; `end[i]` is the largest flow of arc i.
    void Find(const ProblemTables& t, const std::vector<std::int64_t>& end);
    std::size_t Count() const { return largestCharge_.size(); }
    // Adds up to `limit` rules for sets whose entering arcs' openings sum
    // below 1: for each arc that must carry 1 or more, the set on its tail's
    // side of a minimum cut from its head, where charged arcs pass their
    // opening and others anything. Returns how many it added.
    std::size_t AddSetRules(const ProblemTables& t, const std::vector<std::int64_t>& end,
                            const std::vector<double>& opening, std::size_t limit);
    // Arcs whose opening the rules read.
    const std::vector<std::int32_t>& Arcs() const { return ruleArcs_; }

    // The largest charge among rule r's arcs: a higher price only makes
    // every one of them cheaper to open than to leave closed.
    double LargestCharge(std::size_t r) const { return largestCharge_[r]; }

    // How far each rule is from holding, for openings 0..1 per arc:
    // 1 less the openings of the node's entering arcs.
    void Violations(const std::vector<double>& opening, std::vector<double>& out);
    // The charge each arc has taken off under the rule prices; returns what
    // the prices add to every bound.
    double Charges(const std::vector<double>& prices, std::vector<double>& charge) const;

  private:
    void AddRule(const std::int32_t* first, const std::int32_t* last);

    std::vector<std::int32_t> ruleStart_{0}, ruled_;  // per rule: the arcs it reads
    std::vector<std::int32_t> ruleArcs_;
    std::vector<char> read_;             // per arc: some rule reads it
    std::vector<double> charge_;         // per arc: its charge, when charged
    std::vector<double> largestCharge_;  // per rule
    std::set<std::vector<std::int32_t>> known_;
    // The rules that read each arc, built when the rules have changed.
    std::vector<std::int32_t> arcRuleStart_, arcRules_;
};

}  // namespace kova
