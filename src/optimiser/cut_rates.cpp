#include "optimiser/cut_rates.h"

#include <algorithm>
#include <functional>

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
    position_.resize(network.from.size(), 0);
    free_.assign(arcs.size(), 0);
    FindCrossings(network, tree, arcs);
    Fill(arcs, upRate, downRate);
    touched_.clear();
}

// Progressive filling: every rate rises at one pace from 0; a rate stops at
// its need, and the rates across a slot all stop when together they have
// used up its cost. A rate stopped early leaves the others across its slots
// more room, so no slot's cost stays unused while a rate across it could
// still rise.
void CutRates::Fill(const std::vector<Arc>& arcs, std::vector<double>& upRate,
                    std::vector<double>& downRate) {
    // Rate 2k is arc k's up rate, 2k + 1 its down rate; its slots are the
    // crossings of arc k that serve that side.
    const std::size_t rates = 2 * arcs.size();
    const auto rateOf = [](std::size_t k, const Crossing& crossing) {
        return 2 * k + (crossing.servesUp ? 0 : 1);
    };
    level_.assign(rates, -1.0);  // where the rate stopped; below 0 while it rises
    rateStart_.assign(rates + 1, 0);
    // The touched slots renumbered 0.., with their cost and what their
    // rates have used so far.
    const std::size_t slots = touched_.size();
    slotStart_.assign(slots + 1, 0);
    slotCost_.assign(slots, 0.0);
    used_.assign(slots, 0.0);
    for (std::size_t t = 0; t < slots; ++t) {
        position_[Index(touched_[t])] = static_cast<std::int32_t>(t);
    }
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
            const auto t = Index(position_[Index(crossings_[c].slot)]);
            ++rateStart_[rateOf(k, crossings_[c]) + 1];
            ++slotStart_[t + 1];
            slotCost_[t] = crossings_[c].cost;
        }
    }
    for (std::size_t r = 0; r < rates; ++r) {
        rateStart_[r + 1] += rateStart_[r];
    }
    for (std::size_t t = 0; t < slots; ++t) {
        slotStart_[t + 1] += slotStart_[t];
    }
    rateSlots_.resize(crossings_.size());
    slotRates_.resize(crossings_.size());
    fillAt_.assign(rateStart_.begin(), rateStart_.end() - 1);
    slotFill_.assign(slotStart_.begin(), slotStart_.end() - 1);
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        for (std::size_t c = crossingStart_[k]; c < crossingStart_[k + 1]; ++c) {
            const std::size_t r = rateOf(k, crossings_[c]);
            const auto t = Index(position_[Index(crossings_[c].slot)]);
            rateSlots_[fillAt_[r]++] = static_cast<std::int32_t>(t);
            slotRates_[slotFill_[t]++] = static_cast<std::int32_t>(r);
        }
    }
    rising_.resize(slots);
    for (std::size_t t = 0; t < slots; ++t) {
        rising_[t] = slotStart_[t + 1] - slotStart_[t];
    }

    // Events by level: a rate reaching its need (r >= 0), a slot used up
    // (-1 - t). A slot's level only rises as rates across it stop: an
    // event found below the slot's level now goes back in at that level.
    const auto slotLevel = [&](std::size_t t) {
        return (slotCost_[t] - used_[t]) / static_cast<double>(rising_[t]);
    };
    const auto stop = [&](std::size_t r, double level) {
        level_[r] = level;
        for (std::size_t i = rateStart_[r]; i < rateStart_[r + 1]; ++i) {
            const auto t = Index(rateSlots_[i]);
            used_[t] += level;
            --rising_[t];
        }
    };
    events_.clear();
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        if (free_[k] != 0) {  // keeps the rates 0, and takes nothing
            stop(2 * k, 0.0);
            stop(2 * k + 1, 0.0);
        } else {
            events_.emplace_back(arcs[k].needUp, static_cast<std::int64_t>(2 * k));
            events_.emplace_back(arcs[k].needDown, static_cast<std::int64_t>(2 * k + 1));
        }
    }
    for (std::size_t t = 0; t < slots; ++t) {
        if (rising_[t] > 0) {
            events_.emplace_back(slotLevel(t), -1 - static_cast<std::int64_t>(t));
        }
    }
    const auto later = std::greater<>();
    std::make_heap(events_.begin(), events_.end(), later);
    while (!events_.empty()) {
        std::pop_heap(events_.begin(), events_.end(), later);
        const auto [level, what] = events_.back();
        events_.pop_back();
        if (what >= 0) {
            if (level_[Index(what)] < 0.0) {
                stop(Index(what), std::max(0.0, level));
            }
            continue;
        }
        const auto t = Index(-1 - what);
        if (rising_[t] == 0) {
            continue;
        }
        const double now = slotLevel(t);
        if (now > level) {
            events_.emplace_back(now, what);
            std::push_heap(events_.begin(), events_.end(), later);
            continue;
        }
        const double at = std::max(0.0, now);
        for (std::size_t i = slotStart_[t]; i < slotStart_[t + 1]; ++i) {
            const auto r = Index(slotRates_[i]);
            if (level_[r] < 0.0) {
                stop(r, at);
            }
        }
    }
    for (std::size_t k = 0; k < arcs.size(); ++k) {
        upRate[k] = level_[2 * k];
        downRate[k] = level_[2 * k + 1];
    }
}

}  // namespace kova
