#include "optimiser/cut_rates.h"

#include <algorithm>

namespace kova {
namespace {

std::size_t Index(std::int32_t i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

void CutRates::Order(const NetworkSimplex& tree) {
    const std::int32_t root = tree.RootNode();
    const std::int32_t nodes = root + 1;
    kidStart_.assign(Index(nodes) + 1, 0);
    for (std::int32_t v = 0; v < root; ++v) {
        ++kidStart_[Index(tree.TreeParent(v)) + 1];
    }
    for (std::int32_t v = 0; v < nodes; ++v) {
        kidStart_[Index(v) + 1] += kidStart_[Index(v)];
    }
    kids_.assign(Index(nodes), 0);
    fill_.assign(kidStart_.begin(), kidStart_.end() - 1);
    for (std::int32_t v = 0; v < root; ++v) {
        kids_[Index(fill_[Index(tree.TreeParent(v))]++)] = v;
    }
    preorder_.clear();
    stack_.assign(1, root);
    while (!stack_.empty()) {
        const std::int32_t v = stack_.back();
        stack_.pop_back();
        preorder_.push_back(v);
        for (std::int32_t k = kidStart_[Index(v)]; k < kidStart_[Index(v) + 1]; ++k) {
            stack_.push_back(kids_[Index(k)]);
        }
    }
}

void CutRates::FindCrossings(const FlowNetwork& network, const NetworkSimplex& tree,
                             const std::vector<Arc>& arcs) {
    // Each arc's cut splits off the subtree under the lower end of its tree
    // slot. With the cuts' subtrees as parts (part k + 1 for arc k, part 0
    // what lies above them all), the parts form a tree of their own, and a
    // slot crosses the cuts on the path between its ends' parts.
    const auto nodes = Index(tree.RootNode()) + 1;
    cutBelow_.assign(nodes, -1);
    tailBelow_.assign(arcs.size(), 0);
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        const auto s = Index(arcs[k].treeSlot);
        const std::int32_t a = network.from[s];
        const std::int32_t b = network.to[s];
        if (tree.TreeArc(a) == arcs[k].treeSlot && tree.TreeParent(a) == b) {
            cutBelow_[Index(a)] = static_cast<std::int32_t>(k);
            tailBelow_[k] = 1;
        } else if (tree.TreeArc(b) == arcs[k].treeSlot && tree.TreeParent(b) == a) {
            cutBelow_[Index(b)] = static_cast<std::int32_t>(k);
        } else {
            free_[k] = 1;
        }
    }
    part_.assign(nodes, 0);
    partParent_.assign(arcs.size() + 1, 0);
    partDepth_.assign(arcs.size() + 1, 0);
    for (std::size_t at = 1; at < preorder_.size(); ++at) {
        const std::int32_t v = preorder_[at];
        const std::int32_t above = part_[Index(tree.TreeParent(v))];
        const std::int32_t cut = cutBelow_[Index(v)];
        if (cut < 0) {
            part_[Index(v)] = above;
            continue;
        }
        const std::int32_t own = cut + 1;
        part_[Index(v)] = own;
        partParent_[Index(own)] = above;
        partDepth_[Index(own)] = partDepth_[Index(above)] + 1;
    }
    found_.clear();
    const auto slots = network.ArcCount();
    for (std::int32_t slot = 0; slot < slots; ++slot) {
        const auto i = Index(slot);
        std::int32_t tail = part_[Index(network.from[i])];
        std::int32_t head = part_[Index(network.to[i])];
        if (tail == head) {
            continue;
        }
        // A slot off the tree moves one way from the bound it sits at.
        const std::int64_t flow = network.flow[i];
        const bool atLower = flow == network.lower[i];
        const bool atUpper = flow == network.upper[i];
        if (atLower && atUpper) {
            continue;  // fixed
        }
        const bool free = !atLower && !atUpper;
        const double reduced = network.ReducedCost(slot);
        const double cost = std::max(0.0, atLower ? reduced : -reduced);
        const std::size_t first = found_.size();
        double wanted = 0.0;  // the most the arcs it serves can ask of it
        while (tail != head) {
            // The deeper part's cut lies on the path; the end on its side is below it.
            const bool headSide = partDepth_[Index(head)] > partDepth_[Index(tail)];
            std::int32_t& side = headSide ? head : tail;
            const auto k = Index(side - 1);
            side = partParent_[Index(side)];
            if (slot >= arcs[k].firstSlot && slot < arcs[k].endSlot) {
                continue;  // the arc's own slots
            }
            if (free) {
                free_[k] = 1;  // moves either way at no cost
                continue;
            }
            // Moving up, a slot into the subtree brings flow back to it.
            const bool servesUp = (tailBelow_[k] != 0) == (atLower == headSide);
            const double need = servesUp ? arcs[k].needUp : arcs[k].needDown;
            if (need > 0.0) {
                wanted += need;
                found_.push_back({static_cast<std::int32_t>(k), Crossing{slot, servesUp, cost}});
            }
        }
        // A slot whose cost covers all that its arcs can ask never binds.
        if (!(cost < wanted)) {
            found_.resize(first);
        } else {
            share_[i] = static_cast<double>(found_.size() - first);
            touched_.push_back(slot);
        }
    }
    // Grouped by arc.
    crossingStart_.assign(arcs.size() + 1, 0);
    for (const auto& [k, crossing] : found_) {
        ++crossingStart_[Index(k) + 1];
    }
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        crossingStart_[k + 1] += crossingStart_[k];
    }
    crossings_.resize(found_.size());
    fillAt_.assign(crossingStart_.begin(), crossingStart_.end() - 1);
    for (const auto& [k, crossing] : found_) {
        crossings_[fillAt_[Index(k)]++] = crossing;
    }
}

void CutRates::Find(const FlowNetwork& network, const NetworkSimplex& tree,
                    const std::vector<Arc>& arcs, std::vector<double>& upRate,
                    std::vector<double>& downRate) {
    upRate.assign(arcs.size(), 0.0);
    downRate.assign(arcs.size(), 0.0);
    if (arcs.empty()) {
        return;
    }
    Order(tree);
    share_.resize(network.from.size(), 0.0);
    left_.resize(network.from.size(), 0.0);
    free_.assign(arcs.size(), 0);
    FindCrossings(network, tree, arcs);
    // An even first share. An arc free to move keeps the rates 0 and takes
    // nothing from the slots.
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        if (free_[k] != 0) {
            continue;
        }
        double up = arcs[k].needUp;
        double down = arcs[k].needDown;
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
            if (free_[k] != 0) {
                continue;
            }
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
