#include "optimiser/cut_rates.h"

#include <algorithm>

namespace kova {
namespace {

std::size_t Index(std::int32_t i) {
    return static_cast<std::size_t>(i);
}

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

bool CutRates::FindCrossings(const FlowNetwork& network, const NetworkSimplex& tree,
                             const Arc& arc) {
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
            // A slot off the tree moves one way from the bound it sits at.
            const std::int64_t flow = network.flow[i];
            const bool atLower = flow == network.lower[i];
            const bool atUpper = flow == network.upper[i];
            if (atLower == atUpper) {
                if (atLower) {
                    continue;  // fixed
                }
                return false;  // free within its bounds
            }
            const double reduced = network.ReducedCost(slot);
            const double cost = std::max(0.0, atLower ? reduced : -reduced);
            // Moving up, a slot into the subtree brings flow back to it.
            const bool intoSubtree = atLower == headBelow;
            if (share_[i] == 0.0) {
                touched_.push_back(slot);
            }
            share_[i] += 1.0;
            crossings_.push_back({slot, tailBelow == intoSubtree, cost});
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
    share_.resize(network.from.size(), 0.0);
    left_.resize(network.from.size(), 0.0);
    crossings_.clear();
    crossingStart_.assign(1, 0);
    // An arc whose flow may move at no cost keeps the rates 0.
    free_.assign(arcs.size(), 0);
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        const std::size_t start = crossings_.size();
        if (!FindCrossings(network, tree, arcs[k])) {
            crossings_.resize(start);
            free_[k] = 1;
        }
        crossingStart_.push_back(crossings_.size());
    }
    // An even first share.
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        double up = free_[k] != 0 ? 0.0 : arcs[k].needUp;
        double down = free_[k] != 0 ? 0.0 : arcs[k].needDown;
        for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
            const Crossing& crossing = crossings_[c];
            double& rate = crossing.servesUp ? up : down;
            rate = std::min(rate, crossing.cost / share_[Index(crossing.slot)]);
        }
        upRate[k] = up;
        downRate[k] = down;
    }
    // What the slots have left goes to the arcs that can still use more.
    for (int round = 0; round < kShareRounds; ++round) {
        for (const Crossing& crossing : crossings_) {
            share_[Index(crossing.slot)] = 0.0;
            left_[Index(crossing.slot)] = crossing.cost;
        }
        for (std::size_t k = 0; k < arcs.size(); ++k) {
            const bool upWants = upRate[k] < arcs[k].needUp;
            const bool downWants = downRate[k] < arcs[k].needDown;
            for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
                const Crossing& crossing = crossings_[c];
                const auto s = Index(crossing.slot);
                left_[s] -= crossing.servesUp ? upRate[k] : downRate[k];
                share_[s] += (crossing.servesUp ? upWants : downWants) ? 1.0 : 0.0;
            }
        }
        for (std::size_t k = 0; k < arcs.size(); ++k) {
            if (free_[k] != 0) {
                continue;
            }
            double addUp = std::max(0.0, arcs[k].needUp - upRate[k]);
            double addDown = std::max(0.0, arcs[k].needDown - downRate[k]);
            for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
                const Crossing& crossing = crossings_[c];
                const auto s = Index(crossing.slot);
                double& add = crossing.servesUp ? addUp : addDown;
                if (add > 0.0) {
                    add = std::min(add, std::max(0.0, left_[s]) / share_[s]);
                }
            }
            upRate[k] += addUp;
            downRate[k] += addDown;
        }
    }
    for (const std::int32_t slot : touched_) {
        share_[Index(slot)] = 0.0;
    }
    touched_.clear();
}

}  // namespace kova
