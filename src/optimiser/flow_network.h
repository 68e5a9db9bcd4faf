// A circulation network with flat arrays indexed by arc: what the flow
// solver is given, and the flows and node potentials (which prove the flow
// optimal) it hands back.
#pragma once

#include <cstdint>
#include <vector>

namespace kova {

enum class FlowOutcome {
    Optimal,
    Infeasible,  // no circulation within the bounds
    Stopped,     // the user's stop request
};

struct FlowNetwork {
    std::int32_t nodeCount = 0;
    std::vector<std::int32_t> from, to;
    std::vector<std::int64_t> lower, upper, flow;
    std::vector<double> cost;
    std::vector<double> potential;  // per node

    std::int32_t ArcCount() const { return static_cast<std::int32_t>(from.size()); }

    void Reset(std::int32_t nodes, std::int32_t arcs) {
        nodeCount = nodes;
        const auto n = static_cast<std::size_t>(arcs);
        from.assign(n, 0);
        to.assign(n, 0);
        lower.assign(n, 0);
        upper.assign(n, 0);
        flow.assign(n, 0);
        cost.assign(n, 0.0);
        potential.assign(static_cast<std::size_t>(nodes), 0.0);
    }

    // Cost of moving one unit along the arc, measured against the potentials.
    double ReducedCost(std::int32_t arc) const {
        const auto a = static_cast<std::size_t>(arc);
        return cost[a] + potential[static_cast<std::size_t>(from[a])] -
               potential[static_cast<std::size_t>(to[a])];
    }
};

}  // namespace kova
