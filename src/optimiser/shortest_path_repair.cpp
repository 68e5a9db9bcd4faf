#include "optimiser/shortest_path_repair.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace kova {
namespace {

std::size_t At(std::int64_t i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

void ShortestPathRepair::Attach() {
    const std::int32_t nodes = net_.nodeCount;
    const std::int32_t arcs = net_.ArcCount();
    start_.assign(At(nodes) + 1, 0);
    for (std::int32_t a = 0; a < arcs; ++a) {
        ++start_[At(net_.from[At(a)]) + 1];
        ++start_[At(net_.to[At(a)]) + 1];
    }
    for (std::int32_t v = 0; v < nodes; ++v) {
        start_[At(v) + 1] += start_[At(v)];
    }
    adjacent_.assign(At(start_[At(nodes)]), 0);
    std::vector<std::int32_t> fill(start_.begin(), start_.end() - 1);
    for (std::int32_t a = 0; a < arcs; ++a) {
        adjacent_[At(fill[At(net_.from[At(a)])]++)] = a + 1;
        adjacent_[At(fill[At(net_.to[At(a)])]++)] = -(a + 1);
    }
    excess_.assign(At(nodes), 0);
    surplus_.clear();
    seen_.assign(At(nodes), 0);
    done_.assign(At(nodes), 0);
    stamp_ = 0;
    distance_.assign(At(nodes), 0.0);
    pathArc_.assign(At(nodes), 0);
    nextEntry_.assign(At(nodes), 0);
    onPath_.assign(At(nodes), 0);
    pathStamp_ = 0;
    tolerance_ = net_.CostTolerance();
    costScale_ = 1.0;
    for (const double c : net_.cost) {
        costScale_ = std::max(costScale_, std::fabs(c));
    }
    attached_ = true;
}

void ShortestPathRepair::SetArc(std::int32_t arc, std::int64_t lower, std::int64_t upper,
                                double cost) {
    const auto a = At(arc);
    net_.lower[a] = lower;
    net_.upper[a] = upper;
    net_.cost[a] = cost;
    if (std::fabs(cost) > costScale_) {
        costScale_ = std::fabs(cost);
        tolerance_ = 1e-13 * costScale_ * static_cast<double>(net_.nodeCount + 1);
    }
    const double rc = net_.ReducedCost(arc);
    std::int64_t flow = std::clamp(net_.flow[a], lower, upper);
    if (rc < -tolerance_) {
        flow = upper;
    } else if (rc > tolerance_) {
        flow = lower;
    }
    MoveFlow(arc, flow);
}

void ShortestPathRepair::MoveFlow(std::int32_t arc, std::int64_t newFlow) {
    const auto a = At(arc);
    const std::int64_t change = newFlow - net_.flow[a];
    if (change == 0) {
        return;
    }
    net_.flow[a] = newFlow;
    const auto from = At(net_.from[a]);
    const auto to = At(net_.to[a]);
    excess_[from] -= change;
    excess_[to] += change;
    if (excess_[from] > 0) {
        surplus_.push_back(net_.from[a]);
    }
    if (excess_[to] > 0) {
        surplus_.push_back(net_.to[a]);
    }
}

FlowOutcome ShortestPathRepair::Run() {
    augmentations_ = 0;
    if (ticker_.Start()) {
        return FlowOutcome::Stopped;
    }
    while (true) {
        surplus_.erase(std::remove_if(surplus_.begin(), surplus_.end(),
                                      [&](std::int32_t v) { return excess_[At(v)] <= 0; }),
                       surplus_.end());
        if (surplus_.empty()) {
            return FlowOutcome::Optimal;
        }
        const std::int32_t target = ShortestPaths();
        if (target < 0) {
            return FlowOutcome::Infeasible;  // the spare flow has nowhere to go
        }
        UpdatePotentials(target);
        AugmentShortestPath(target);
        AugmentAdmissible();
        ++augmentations_;
        if (ticker_.Tick()) {
            return FlowOutcome::Stopped;
        }
    }
}

std::int32_t ShortestPathRepair::ShortestPaths() {
    if (++stamp_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        std::fill(done_.begin(), done_.end(), 0);
        stamp_ = 1;
    }
    heap_.clear();
    finished_.clear();
    const auto reach = [&](std::int32_t node, double distance, std::int32_t via) {
        const auto v = At(node);
        if (done_[v] == stamp_ || (seen_[v] == stamp_ && distance_[v] <= distance)) {
            return;
        }
        seen_[v] = stamp_;
        distance_[v] = distance;
        pathArc_[v] = via;
        heap_.emplace_back(distance, node);
        std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
    };
    for (const std::int32_t source : surplus_) {
        reach(source, 0.0, 0);
    }
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
        const auto [distance, node] = heap_.back();
        heap_.pop_back();
        const auto v = At(node);
        if (done_[v] == stamp_ || distance > distance_[v]) {
            continue;
        }
        done_[v] = stamp_;
        finished_.push_back(node);
        if (excess_[v] < 0) {
            return node;
        }
        for (std::int32_t k = start_[v]; k < start_[v + 1]; ++k) {
            const std::int32_t entry = adjacent_[At(k)];
            if (entry > 0) {
                const std::int32_t arc = entry - 1;
                if (net_.flow[At(arc)] < net_.upper[At(arc)]) {
                    reach(net_.to[At(arc)], distance + std::max(0.0, net_.ReducedCost(arc)), entry);
                }
            } else {
                const std::int32_t arc = -entry - 1;
                if (net_.flow[At(arc)] > net_.lower[At(arc)]) {
                    reach(net_.from[At(arc)], distance + std::max(0.0, -net_.ReducedCost(arc)),
                          entry);
                }
            }
        }
    }
    return -1;
}

// Nodes settled before the target move by their distance less the
// target's; the others keep their potentials. Every residual arc keeps a
// reduced cost of at least 0, and those of the shortest paths become 0.
void ShortestPathRepair::UpdatePotentials(std::int32_t target) {
    const double reached = distance_[At(target)];
    for (const std::int32_t node : finished_) {
        net_.potential[At(node)] += distance_[At(node)] - reached;
    }
}

void ShortestPathRepair::Push(std::int32_t entry, std::int64_t amount) {
    if (entry > 0) {
        net_.flow[At(entry - 1)] += amount;
    } else {
        net_.flow[At(-entry - 1)] -= amount;
    }
}

namespace {

// The node an adjacency entry leads to, and the room it leaves.
std::int32_t Head(const FlowNetwork& net, std::int32_t entry) {
    return entry > 0 ? net.to[At(entry - 1)] : net.from[At(-entry - 1)];
}
std::int32_t Tail(const FlowNetwork& net, std::int32_t entry) {
    return entry > 0 ? net.from[At(entry - 1)] : net.to[At(-entry - 1)];
}
std::int64_t Room(const FlowNetwork& net, std::int32_t entry) {
    if (entry > 0) {
        return net.upper[At(entry - 1)] - net.flow[At(entry - 1)];
    }
    return net.flow[At(-entry - 1)] - net.lower[At(-entry - 1)];
}

}  // namespace

void ShortestPathRepair::AugmentShortestPath(std::int32_t target) {
    path_.clear();
    std::int32_t v = target;
    while (pathArc_[At(v)] != 0) {
        path_.push_back(pathArc_[At(v)]);
        v = Tail(net_, pathArc_[At(v)]);
    }
    std::int64_t amount = std::min(excess_[At(v)], -excess_[At(target)]);
    for (const std::int32_t entry : path_) {
        amount = std::min(amount, Room(net_, entry));
    }
    for (const std::int32_t entry : path_) {
        Push(entry, amount);
    }
    excess_[At(v)] -= amount;
    excess_[At(target)] += amount;
}

bool ShortestPathRepair::Admissible(std::int32_t entry) const {
    if (Room(net_, entry) <= 0) {
        return false;
    }
    const double rc = net_.ReducedCost(entry > 0 ? entry - 1 : -entry - 1);
    return (entry > 0 ? rc : -rc) <= tolerance_;
}

// Depth first from each node with flow to spare, through settled nodes and
// arcs of reduced cost 0, to any node short of flow. A node whose entries
// are used up leads nowhere for the rest of the phase.
void ShortestPathRepair::AugmentAdmissible() {
    for (const std::int32_t node : finished_) {
        nextEntry_[At(node)] = start_[At(node)];
    }
    for (const std::int32_t source : surplus_) {
        while (excess_[At(source)] > 0) {
            if (++pathStamp_ == 0) {
                std::fill(onPath_.begin(), onPath_.end(), 0);
                pathStamp_ = 1;
            }
            path_.clear();
            std::int32_t v = source;
            onPath_[At(v)] = pathStamp_;
            bool found = false;
            while (true) {
                if (v != source && excess_[At(v)] < 0) {
                    found = true;
                    break;
                }
                std::int32_t& k = nextEntry_[At(v)];
                const std::int32_t end = start_[At(v) + 1];
                for (; k < end; ++k) {
                    const std::int32_t entry = adjacent_[At(k)];
                    const std::int32_t w = Head(net_, entry);
                    if (done_[At(w)] == stamp_ && onPath_[At(w)] != pathStamp_ &&
                        nextEntry_[At(w)] < start_[At(w) + 1] && Admissible(entry)) {
                        break;
                    }
                }
                if (k < end) {
                    const std::int32_t entry = adjacent_[At(k)];
                    path_.push_back(entry);
                    v = Head(net_, entry);
                    onPath_[At(v)] = pathStamp_;
                    continue;
                }
                if (path_.empty()) {
                    break;
                }
                v = Tail(net_, path_.back());
                path_.pop_back();
                ++nextEntry_[At(v)];
            }
            if (!found) {
                break;
            }
            std::int64_t amount = std::min(excess_[At(source)], -excess_[At(v)]);
            for (const std::int32_t entry : path_) {
                amount = std::min(amount, Room(net_, entry));
            }
            for (const std::int32_t entry : path_) {
                Push(entry, amount);
            }
            excess_[At(source)] -= amount;
            excess_[At(v)] += amount;
        }
    }
}

bool ShortestPathRepair::PotentialsDrifted() const {
    const double limit = costScale_ * std::max(1e6, 100.0 * static_cast<double>(net_.nodeCount + 1));
    for (const double p : net_.potential) {
        if (!(std::fabs(p) <= limit)) {
            return true;
        }
    }
    return false;
}

}  // namespace kova
