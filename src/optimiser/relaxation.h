// The relaxation of one subproblem: every arc's cost replaced by its convex
// envelope over the arc's current range, each envelope segment a parallel
// arc of a fixed network (as many slots per arc as its envelopes can have
// segments, so the network keeps its shape through the whole search),
// solved as a minimum-cost circulation and evaluated under the envelope
// and the true costs.
//
// Charged arcs obey opening rules (see OpeningRules). Each rule's price, a
// Lagrange multiplier found by subgradient steps at the root and moved on
// by a few steps at each solve of the search, moves charge between the arcs
// it names and into a constant: every bound stays valid whatever the
// prices, and the envelopes no longer spread a charge over a range far
// wider than the flow the arc carries.
//
// The first solve runs the network simplex from scratch; each later one
// goes on from the last tree with the arcs whose envelope changed, since a
// child differs from the subproblem solved before it in a few arcs only.
#pragma once

#include <cstdint>
#include <vector>

#include "model/problem_tables.h"
#include "optimiser/cut_rates.h"
#include "optimiser/envelope.h"
#include "optimiser/flow_network.h"
#include "optimiser/network_simplex.h"
#include "optimiser/opening_rules.h"
#include "optimiser/run_monitor.h"
#include "optimiser/search_methods.h"
#include "optimiser/solve_ticker.h"

namespace kova {

class EnvelopeRelaxation final : public RelaxationSolver {
  public:
    EnvelopeRelaxation(ProblemTables& tables, RunMonitor& monitor)
        : t_(tables),
          monitor_(monitor),
          ticker_(tables, monitor),
          simplex_(network_, ticker_),
          savedSimplex_(network_, ticker_),
          keptSimplex_(network_, ticker_) {}

    RelaxationResult SolveRelaxation() override;
    std::int64_t Work() const override { return work_; }
    bool RangeWithin(std::int32_t arc, double slack, std::int64_t& lo,
                     std::int64_t& hi) const override;
    bool RangeNowWithin(std::int32_t arc, double slack, std::int64_t& lo,
                        std::int64_t& hi) const override;
    double RiseToRange(std::int32_t arc, std::int64_t lo, std::int64_t hi) const override;
    bool TrialBound(std::int32_t arc, std::int64_t lo, std::int64_t hi, std::int64_t pivotLimit,
                    double& bound) override;
    bool StrengthenBound(double& incumbent) override;
    double GapPenalty() override;
    bool LiftBound(double incumbent, RelaxationResult& result) override;
    bool FindIncumbent(double& incumbent) override;
    bool BranchFlowsArePoor() const override { return !prices_.empty(); }
    void ForgetRoot() override { rootKept_ = false; }
    void KeepSolve() override;
    void ReturnToKept() override;
    // Sum of the node prices in the bound, for measurements.
    double ChargeTotal() const { return chargeTotal_; }

  private:
    void LayOutSlots();
    // Envelopes of the arcs whose working range changed since the last solve.
    void BuildEnvelopes();
    FlowOutcome SolveFlow();
    // MostSegments bounds every envelope; a broken bound must not write
    // into the next arc's slots.
    void CheckSlots(std::int32_t arc) const;
    RelaxationResult Evaluate(FlowOutcome outcome);

    ProblemTables& t_;
    RunMonitor& monitor_;
    SolveTicker ticker_;
    FlowNetwork network_;
    NetworkSimplex simplex_;

    bool laidOut_ = false;
    std::vector<std::int32_t> firstSlot_;   // per arc, and one past the last arc
    std::vector<std::int32_t> firstPiece_;  // per arc, into PieceTable
    std::vector<double> startValue_;        // per arc: envelope value at the lower bound
    std::vector<ArcRecord> builtFrom_;      // per arc: the working record of its envelope
    std::vector<std::int64_t> builtEnd_;    // and the end of its range
    std::vector<std::int32_t> changedArcs_;
    std::vector<BranchCandidate> candidates_;
    ArcEnvelope envelope_;
    // Wanted slot bounds and costs, and whether the network holds them yet.
    std::vector<std::int64_t> slotLower_, slotUpper_;
    std::vector<double> slotCost_;
    // The envelope total of the flow in the network.
    double RelaxedTotal() const;

    // The true cost of the network's flow; with `rows`, each arc's flow and
    // cost written there.
    double TrueTotal(GrowArray<SolutionRecord>* rows) const;
    // What the rule prices took off the arc's charge, where `flow` pays it.
    double MovedCharge(std::int32_t arc, std::int64_t flow) const {
        return flow >= 1 && !charge_.empty() ? charge_[static_cast<std::size_t>(arc)] : 0.0;
    }
    // Takes the arc's share of the rule prices off its charge.
    void ApplyCharge(std::int32_t arc, ArcRecord& record, PieceRecord* pieces) const;
    // Rule prices into charges per arc; the changed arcs rebuilt.
    void SetRulePrices(const std::vector<double>& prices);
    // Each charged arc's opening under the network's flow: on the
    // envelope's first segment, which runs from 0 to the first flow that
    // pays the charge, in proportion. `all`: every charged arc, not only
    // those the rules read.
    void FindOpenings(bool all);
    // The subgradient step on the rule prices towards `incumbent` from
    // `bound`, `scale` times Polyak's length; false when no rule is broken
    // and no price can fall.
    bool StepPrices(double incumbent, double bound, double scale);
    OpeningRules rules_;
    std::vector<double> prices_, violation_, lastPrices_;  // per rule
    std::vector<double> charge_, newCharge_, opening_;     // per arc
    double chargeTotal_ = 0.0;
    ArcRecord chargedArc_{};
    std::vector<PieceRecord> chargedPieces_;
    // Per arc: the unit cost each slope-scaling solve gives it.
    std::vector<double> scaledSlope_;
    std::vector<std::int64_t> arcFlow_, lastArcFlow_;
    void ArcFlows(std::vector<std::int64_t>& flows) const;
    // Every slot of `arc` priced at `slope`; false when the solver needs a
    // cold start.
    bool PriceArc(std::int32_t arc, double slope);
    // Slopes from arcFlow_ into the network; an arc without flow takes the
    // slope over `idleShare` of its range, or keeps its last slope when that
    // is 0. False as PriceArc.
    bool ScaleSlopes(double idleShare);
    // Slope scaling from the network's flow, then the local search.
    bool SearchForFlows(double& incumbent, double idleShare);
    std::size_t searches_ = 0;  // slope scalings started
    bool pricedSearched_ = false;
    // Fixed charges make up at least half of the arcs whose cost is not linear.
    bool chargesDominate_ = false;
    template <typename TryFlow>
    void CloseArcs(TryFlow&& tryFlow);
    std::vector<bool> closed_;  // per arc, by the local search
    std::vector<std::int32_t> order_;
    NetworkSimplex savedSimplex_;
    // What KeepSolve keeps: the solver's tree and whatever the next solve
    // compares its envelopes with.
    struct KeptSolve {
        bool valid = false;
        FlowNetwork network;
        std::vector<ArcRecord> builtFrom;
        std::vector<std::int64_t> builtEnd, slotLower, slotUpper;
        std::vector<double> startValue, slotCost, charge;
    };
    KeptSolve kept_;
    NetworkSimplex keptSimplex_;
    FlowNetwork savedNetwork_;
    ArcRecord trialArc_{};
    std::vector<PieceRecord> trialPieces_;
    std::int64_t work_ = 0;
    std::int64_t lastWork_ = 0;

    // Per arc: where its working pieces start in WorkPieceTable.
    std::vector<std::int32_t> workPiece_;
    // The envelope of `arc` at `flow`, from its slots in the network.
    double EnvelopeAt(std::int32_t arc, std::int64_t flow) const;
    // How far the arc's cost (less its moved charge) lies above its envelope.
    double GapAt(std::int32_t arc, std::int64_t flow) const;
    // The flows of the arc's range where its cost or its envelope turns.
    template <typename Visit>
    void ForEachTurn(std::int32_t arc, Visit&& visit) const;
    struct GapArc {
        std::int32_t arc;
        std::int64_t flow;
        double gap;
    };
    std::vector<GapArc> gapArcs_;
    std::vector<CutRates::Arc> cutArcs_;
    std::vector<double> upRate_, downRate_;
    CutRates cutRates_;

    // The root's slots: bounds, flows and reduced costs, for RangeWithin.
    void KeepRoot();
    bool rootKept_ = false;
    std::vector<std::int64_t> rootLower_, rootUpper_, rootFlow_;
    std::vector<double> rootReduced_;
    struct Step {
        double cost;  // per unit
        std::int64_t room;
    };
    mutable std::vector<Step> steps_;
    mutable std::vector<double> reduced_;
    // The flows of `arc` within `slack` of the flow's cost, by the given
    // reduced costs.
    void Reach(std::int32_t arc, double slack, const std::vector<std::int64_t>& lower,
               const std::vector<std::int64_t>& upper, const std::vector<std::int64_t>& flows,
               const std::vector<double>& reduced, std::int64_t& lo, std::int64_t& hi) const;
    // Slot steps of `arc` that move its flow up (or down), cheapest first.
    void Steps(std::int32_t arc, bool up, const std::vector<std::int64_t>& lower,
               const std::vector<std::int64_t>& upper, const std::vector<std::int64_t>& flow,
               const std::vector<double>& reduced) const;
};

}  // namespace kova
