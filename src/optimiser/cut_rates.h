// What it costs, at an optimal tree's reduced costs, to move the flow of
// several arcs at once, each arc judged on its own but the costs shared.
//
// Take an arc whose slot lies in the tree strictly within its bounds. The
// tree less that slot splits the nodes in two; flow that the arc carries
// more (or less) must come back across that cut by slots off the tree, and
// every unit a slot carries away from its bound costs its reduced cost.
// Counted once per slot and cut, a slot's reduced cost would pay for every
// arc whose cut it crosses: here it is shared between them, so that the
// rates of all the arcs together never ask a flow for more than its
// reduced costs give. The shares are as even as the slots allow: all rates
// rise together, and a rate stops where its arc's moves save no more
// (`needUp`, `needDown` per unit) or where a slot across its cut is used
// up, which leaves the other rates across the slot's other cuts more room.
// A slot whose cost covers what all its arcs could ask never binds and is
// left out.
//
// One pass over the slots finds every crossing: the cuts split the tree
// into parts, which form a tree of their own, and a slot crosses the cuts
// on the path between the parts of its ends.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "optimiser/flow_network.h"
#include "optimiser/network_simplex.h"

namespace kova {

class CutRates {
  public:
    struct Arc {
        std::int32_t treeSlot;            // in the tree, strictly within its bounds
        std::int32_t firstSlot, endSlot;  // the arc's own slots, one past the last
        double needUp, needDown;          // rates past which a move saves nothing more
    };

    // `upRate[k]` (`downRate[k]`): per unit that arc k carries more (less),
    // what the slots across its cut pay at least, from their share. An arc
    // whose tree slot is not found in the tree gets the rates 0.
    void Find(const FlowNetwork& network, const NetworkSimplex& tree, const std::vector<Arc>& arcs,
              std::vector<double>& upRate, std::vector<double>& downRate);

  private:
    void Order(const NetworkSimplex& tree);
    // The slots across every arc's cut, grouped by arc; an arc for which
    // some slot moves either way at no cost is marked free.
    void FindCrossings(const FlowNetwork& network, const NetworkSimplex& tree,
                       const std::vector<Arc>& arcs);
    // The rates from the crossings: the most even ones the slots allow.
    void Fill(const std::vector<Arc>& arcs, std::vector<double>& upRate,
              std::vector<double>& downRate);

    // The tree in preorder, parents first.
    std::vector<std::int32_t> kidStart_, kids_, fill_, preorder_, stack_;
    // Per node, the arc whose cut lies right above it (-1: none), and the
    // part of the tree it lies in; per part, the part above it and its depth.
    std::vector<std::int32_t> cutBelow_, part_, partParent_, partDepth_;
    std::vector<char> tailBelow_;  // per arc: its tree slot's tail is under its cut
    // Per arc, a run of crossing slots: the side of the move each serves,
    // and what a unit moved off its bound costs.
    struct Crossing {
        std::int32_t slot;
        bool servesUp;
        double cost;
    };
    std::vector<Crossing> crossings_;
    std::vector<std::size_t> crossingStart_, fillAt_;
    std::vector<std::pair<std::int32_t, Crossing>> found_;  // by slot, with the arc
    // The slots that some rate may use up.
    std::vector<std::int32_t> touched_;
    std::vector<char> free_;              // per arc
    std::vector<std::int32_t> position_;  // per slot: its number among the touched
    // Progressive filling: per rate, where it stopped and its slots; per
    // touched slot, its cost, what its rates used, how many still rise,
    // and its rates.
    std::vector<double> level_, slotCost_, used_;
    std::vector<std::size_t> rateStart_, slotStart_, slotFill_;
    std::vector<std::int32_t> rateSlots_, slotRates_, rising_;
    std::vector<std::pair<double, std::int64_t>> events_;
};

}  // namespace kova
