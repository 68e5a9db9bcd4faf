#include "optimiser/cut_rates.h"

#include <algorithm>

namespace kova {
namespace {

std::size_t Index(std::int32_t i) { return static_cast<std::size_t>(i); }

}  // namespace

void CutRates::LayOut(const FlowNetwork& network, std::int32_t nodes) {
    nodes_ = nodes;
    const auto slots = network.from.size();
    nodeStart_.assign(Index(nodes) + 1, 0);
    for (std::size_t s = 0; s < slots; ++s) {
        ++nodeStart_[Index(network.from[s]) + 1];
        ++nodeStart_[Index(network.to[s]) + 1];
    }
    for (std::int32_t v = 0; v < nodes; ++v) {
        nodeStart_[Index(v) + 1] += nodeStart_[Index(v)];
    }
    nodeSlots_.assign(Index(nodeStart_[Index(nodes)]), 0);
    fill_.assign(nodeStart_.begin(), nodeStart_.end() - 1);
    for (std::size_t s = 0; s < slots; ++s) {
        nodeSlots_[Index(fill_[Index(network.from[s])]++)] = static_cast<std::int32_t>(s);
        nodeSlots_[Index(fill_[Index(network.to[s])]++)] = static_cast<std::int32_t>(s);
    }
}

void CutRates::Order(const NetworkSimplex& tree) {
    const std::int32_t root = tree.RootNode();
    kidStart_.assign(Index(nodes_) + 1, 0);
    for (std::int32_t v = 0; v < root; ++v) {
        ++kidStart_[Index(tree.TreeParent(v)) + 1];
    }
    for (std::int32_t v = 0; v < nodes_; ++v) {
        kidStart_[Index(v) + 1] += kidStart_[Index(v)];
    }
    kids_.assign(Index(nodes_), 0);
    fill_.assign(kidStart_.begin(), kidStart_.end() - 1);
    for (std::int32_t v = 0; v < root; ++v) {
        kids_[Index(fill_[Index(tree.TreeParent(v))]++)] = v;
    }
    preorder_.clear();
    position_.assign(Index(nodes_), 0);
    size_.assign(Index(nodes_), 1);
    stack_.assign(1, root);
    while (!stack_.empty()) {
        const std::int32_t v = stack_.back();
        stack_.pop_back();
        position_[Index(v)] = static_cast<std::int32_t>(preorder_.size());
        preorder_.push_back(v);
        for (std::int32_t k = kidStart_[Index(v)]; k < kidStart_[Index(v) + 1]; ++k) {
            stack_.push_back(kids_[Index(k)]);
        }
    }
    for (std::size_t k = preorder_.size(); k-- > 1;) {
        const std::int32_t v = preorder_[k];
        size_[Index(tree.TreeParent(v))] += size_[Index(v)];
    }
}

bool CutRates::FindCrossings(const FlowNetwork& network, const NetworkSimplex& tree, const Arc& arc) {
    const auto s = Index(arc.treeSlot);
    const std::int32_t a = network.from[s];
    const std::int32_t b = network.to[s];
    std::int32_t child = -1;
    if (tree.TreeArc(a) == arc.treeSlot && tree.TreeParent(a) == b) {
        child = a;
    } else if (tree.TreeArc(b) == arc.treeSlot && tree.TreeParent(b) == a) {
        child = b;
    }
    if (child < 0) {
        return false;
    }
    const std::int32_t first = position_[Index(child)];
    const std::int32_t count = size_[Index(child)];
    const auto below = [&](std::int32_t v) {
        const std::int32_t at = position_[Index(v)];
        return at >= first && at < first + count;
    };
    // More flow on the arc leaves the subtree when the arc's tail is in it.
    const bool tailBelow = below(a);
    const bool fromBelow = 2 * count <= nodes_;
    const auto side = [&](std::int32_t at) {
        const std::int32_t v = preorder_[Index(at)];
        if (v == tree.RootNode()) {
            return true;  // the root's arcs carry no flow in a circulation
        }
        for (std::int32_t q = nodeStart_[Index(v)]; q < nodeStart_[Index(v) + 1]; ++q) {
            const std::int32_t slot = nodeSlots_[Index(q)];
            if (slot >= arc.firstSlot && slot < arc.endSlot) {
                continue;
            }
            const auto i = Index(slot);
            const bool headBelow = below(network.to[i]);
            // A crossing slot has one end on the side walked: it is met once.
            if (headBelow == below(network.from[i])) {
                continue;
            }
            const std::int8_t way = moveWay_[i];
            if (way == 2) {
                return false;
            }
            if (way == 0) {
                continue;
            }
            // Moving up, a slot into the subtree brings flow back to it.
            const bool intoSubtree = (way > 0) == headBelow;
            crossings_.push_back({slot, tailBelow == intoSubtree});
        }
        return true;
    };
    if (fromBelow) {
        for (std::int32_t at = first; at < first + count; ++at) {
            if (!side(at)) {
                return false;
            }
        }
        return true;
    }
    for (std::int32_t at = 0; at < nodes_; ++at) {
        if (at == first) {
            at += count - 1;
            continue;
        }
        if (!side(at)) {
            return false;
        }
    }
    return true;
}

void CutRates::Find(const FlowNetwork& network, const NetworkSimplex& tree,
                    const std::vector<Arc>& arcs, std::vector<double>& upRate,
                    std::vector<double>& downRate) {
    upRate.assign(arcs.size(), 0.0);
    downRate.assign(arcs.size(), 0.0);
    if (arcs.empty()) {
        return;
    }
    if (nodeStart_.empty() || nodes_ != tree.RootNode() + 1 ||
        nodeStart_.back() != 2 * network.ArcCount()) {
        LayOut(network, tree.RootNode() + 1);
    }
    Order(tree);
    const auto slots = network.from.size();
    moveCost_.resize(slots);
    moveWay_.resize(slots);
    for (std::size_t s = 0; s < slots; ++s) {
        const std::int64_t flow = network.flow[s];
        const double reduced = network.ReducedCost(static_cast<std::int32_t>(s));
        const bool atLower = flow == network.lower[s];
        const bool atUpper = flow == network.upper[s];
        if (atLower && atUpper) {
            moveWay_[s] = 0;
        } else if (atLower) {
            moveWay_[s] = 1;
            moveCost_[s] = std::max(0.0, reduced);
        } else if (atUpper) {
            moveWay_[s] = -1;
            moveCost_[s] = std::max(0.0, -reduced);
        } else {
            moveWay_[s] = 2;  // tree slots too; no cut but its own arc's crosses them
            moveCost_[s] = 0.0;
        }
    }
    crossings_.clear();
    crossingStart_.assign(1, 0);
    std::vector<bool> free(arcs.size(), false);
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        const std::size_t start = crossings_.size();
        if (!FindCrossings(network, tree, arcs[k])) {
            crossings_.resize(start);
            free[k] = true;
        }
        crossingStart_.push_back(crossings_.size());
    }
    // An even first share.
    share_.assign(slots, 0.0);
    for (const Crossing& c : crossings_) {
        share_[Index(c.slot)] += 1.0;
    }
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        double up = free[k] ? 0.0 : arcs[k].needUp;
        double down = free[k] ? 0.0 : arcs[k].needDown;
        for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
            const auto s = Index(crossings_[c].slot);
            double& rate = crossings_[c].servesUp ? up : down;
            rate = std::min(rate, moveCost_[s] / share_[s]);
        }
        upRate[k] = up;
        downRate[k] = down;
    }
    // What the slots have left goes to the arcs that can still use more.
    for (int round = 0; round < kShareRounds; ++round) {
        left_.assign(moveCost_.begin(), moveCost_.end());
        std::fill(share_.begin(), share_.end(), 0.0);
        for (std::size_t k = 0; k < arcs.size(); ++k) {
            const bool upWants = upRate[k] < arcs[k].needUp;
            const bool downWants = downRate[k] < arcs[k].needDown;
            for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
                const auto s = Index(crossings_[c].slot);
                const bool up = crossings_[c].servesUp;
                left_[s] -= up ? upRate[k] : downRate[k];
                share_[s] += (up ? upWants : downWants) ? 1.0 : 0.0;
            }
        }
        for (std::size_t k = 0; k < arcs.size(); ++k) {
            double addUp = upRate[k] < arcs[k].needUp ? arcs[k].needUp - upRate[k] : 0.0;
            double addDown = downRate[k] < arcs[k].needDown ? arcs[k].needDown - downRate[k] : 0.0;
            for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
                const auto s = Index(crossings_[c].slot);
                double& add = crossings_[c].servesUp ? addUp : addDown;
                if (add > 0.0) {
                    add = std::min(add, std::max(0.0, left_[s]) / share_[s]);
                }
            }
            upRate[k] += addUp;
            downRate[k] += addDown;
        }
    }
}

}  // namespace kova
