#include "optimiser/relaxation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "optimiser/branch_selector.h"
#include "optimiser/branch_setup.h"
#include "text/number_text.h"

namespace kova {
namespace {

// Subgradient steps for the rule prices at the root; the step halves
// after this many without a better bound.
constexpr std::int32_t kPriceRounds = 60;
constexpr double kFirstScale = 1.0;
constexpr std::int32_t kFlatRounds = 4;
// Matches no arc: an envelope built from it is built again at the next solve.
constexpr ArcRecord kUnbuilt{0, 0, 0, 0.0, 0.0, 0, 0};
// Rules for node sets found at the root, at most this many per node.
constexpr std::size_t kSetRulesPerNode = 4;
// Each solve in the search takes this many price steps of this scale:
// prices fitted to the root alone bound a subtree poorly.
constexpr std::int32_t kLiftSteps = 2;
constexpr double kLiftScale = 0.25;
// Linear solves of the slope scaling at the root, at most.
constexpr std::int32_t kScalingRounds = 40;
// The slope scaling starts with each arc that carries nothing costed as if
// it carried these shares of its range: over a whole uncapacitated range a
// fixed charge hardly counts, and which share leads to the best flows
// differs from network to network.
constexpr std::array<double, 4> kIdleShares = {1.0, 0.1, 0.01, 0.001};
// Passes of the local search over the open arcs, at most.
constexpr std::int32_t kClosingPasses = 3;

// Records of one arc that give the same pieces, hence the same envelope: a
// narrowed record keeps a run of the parsed pieces, which its first piece
// and count fix, and may cut the last one short.
bool SameRange(const ArcRecord& a, std::int64_t aEnd, const ArcRecord& b, std::int64_t bEnd) {
    return a.lower == b.lower && a.upper == b.upper && a.pieceCount == b.pieceCount &&
           a.baseCost == b.baseCost && a.unitCost == b.unitCost && aEnd == bEnd;
}

}  // namespace

RelaxationResult EnvelopeRelaxation::SolveRelaxation() {
    if (!laidOut_) {
        LayOutSlots();
    }
    BuildEnvelopes();
    const RelaxationResult result = Evaluate(SolveFlow());
    if (!rootKept_ && result.HasFlow()) {
        KeepRoot();
    }
    monitor_.SetField(LiveField::ResultCode, IntegerText(result.code));
    return result;
}

void EnvelopeRelaxation::LayOutSlots() {
    const auto arcs = Index(t_.ArcCount);
    firstSlot_.assign(arcs + 1, 0);
    firstPiece_.assign(arcs, 0);
    std::int32_t piece = 0;
    for (std::size_t i = 0; i < arcs; ++i) {
        const ArcRecord& arc = t_.ArcTable[i];
        firstPiece_[i] = piece;
        firstSlot_[i + 1] = firstSlot_[i] + MostSegments(arc, t_.PieceTable.data() + piece);
        piece += arc.pieceCount - 1;
    }
    const std::int32_t slots = firstSlot_[arcs];
    network_.Reset(t_.NodeCount, slots);
    for (std::size_t i = 0; i < arcs; ++i) {
        for (std::int32_t s = firstSlot_[i]; s < firstSlot_[i + 1]; ++s) {
            network_.from[Index(s)] = t_.ArcTable[i].from;
            network_.to[Index(s)] = t_.ArcTable[i].to;
        }
    }
    std::int32_t charged = 0;
    std::int32_t notLinear = 0;
    for (std::size_t i = 0; i < arcs; ++i) {
        const ArcRecord& arc = t_.ArcTable[i];
        charged += IsCharged(arc) ? 1 : 0;
        notLinear += CostedFromZero(arc) ? 0 : 1;
    }
    chargesDominate_ = charged > 0 && 2 * charged >= notLinear;
    slotLower_.assign(Index(slots), 0);
    slotUpper_.assign(Index(slots), 0);
    slotCost_.assign(Index(slots), 0.0);
    startValue_.assign(arcs, 0.0);
    builtFrom_.assign(arcs, kUnbuilt);
    builtEnd_.assign(arcs, -1);
    workPiece_.assign(arcs, 0);
    laidOut_ = true;
}

void EnvelopeRelaxation::CheckSlots(std::int32_t arc) const {
    if (envelope_.segments.size() > Index(firstSlot_[Index(arc) + 1] - firstSlot_[Index(arc)])) {
        throw std::logic_error("an envelope has more segments than its arc has slots");
    }
}

void EnvelopeRelaxation::BuildEnvelopes() {
    changedArcs_.clear();
    PieceCursor cursor(t_.WorkPieceTable.data());
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        const ArcRecord& arc = t_.WorkArcTable.At(i);
        const PieceRecord* pieces = cursor.Take(arc);
        workPiece_[Index(i)] = static_cast<std::int32_t>(pieces - t_.WorkPieceTable.data());
        const std::int64_t end = RangeEnd(arc, pieces);
        if (SameRange(arc, end, builtFrom_[Index(i)], builtEnd_[Index(i)])) {
            continue;
        }
        builtFrom_[Index(i)] = arc;
        builtEnd_[Index(i)] = end;
        changedArcs_.push_back(i);
        if (!charge_.empty() && charge_[Index(i)] > 0.0) {
            chargedArc_ = arc;
            chargedPieces_.assign(pieces, pieces + arc.pieceCount - 1);
            ApplyCharge(i, chargedArc_, chargedPieces_.data());
            BuildEnvelope(chargedArc_, chargedPieces_.data(), envelope_);
        } else {
            BuildEnvelope(arc, pieces, envelope_);
        }
        CheckSlots(i);
        startValue_[Index(i)] = envelope_.startValue;
        std::int32_t slot = firstSlot_[Index(i)];
        std::int64_t previousEnd = arc.lower;
        for (const EnvelopeSegment& segment : envelope_.segments) {
            // The first segment carries the arc from its lower bound, the
            // others from 0 over their own length.
            const bool first = slot == firstSlot_[Index(i)];
            slotLower_[Index(slot)] = first ? arc.lower : 0;
            slotUpper_[Index(slot)] = first ? segment.end : segment.end - previousEnd;
            slotCost_[Index(slot)] = segment.slope;
            previousEnd = segment.end;
            ++slot;
        }
        for (; slot < firstSlot_[Index(i) + 1]; ++slot) {
            slotLower_[Index(slot)] = slotUpper_[Index(slot)] = 0;
            slotCost_[Index(slot)] = 0.0;
        }
    }
}

FlowOutcome EnvelopeRelaxation::SolveFlow() {
    lastWork_ = 0;
    bool warm = simplex_.CanResolve();
    for (std::size_t k = 0; warm && k < changedArcs_.size(); ++k) {
        const std::int32_t arc = changedArcs_[k];
        for (std::int32_t s = firstSlot_[Index(arc)]; warm && s < firstSlot_[Index(arc) + 1]; ++s) {
            const auto i = Index(s);
            if (network_.lower[i] != slotLower_[i] || network_.upper[i] != slotUpper_[i] ||
                network_.cost[i] != slotCost_[i]) {
                warm = simplex_.ChangeArc(s, slotLower_[i], slotUpper_[i], slotCost_[i]);
            }
        }
    }
    FlowOutcome outcome;
    if (warm) {
        outcome = simplex_.Resolve();
    } else {
        network_.lower = slotLower_;
        network_.upper = slotUpper_;
        network_.cost = slotCost_;
        std::fill(network_.flow.begin(), network_.flow.end(), 0);
        outcome = simplex_.Run();
    }
    lastWork_ = simplex_.Pivots();
    work_ += lastWork_;
    return outcome;
}

RelaxationResult EnvelopeRelaxation::Evaluate(FlowOutcome outcome) {
    RelaxationResult result;
    if (outcome == FlowOutcome::Stopped) {
        result.code = kKilterStopped;
        return result;
    }
    if (outcome == FlowOutcome::Infeasible) {
        result.code = kKilterInfeasible;
        return result;
    }
    result.code = lastWork_ > 0 ? kKilterAugmented : kKilterNoSearch;
    const FlowEvaluation evaluation = EvaluateFlows(
        t_,
        [&](std::int32_t i, std::int64_t& flow, double& segmentCost, double& firstSlope,
            double& startValue, double& moved) {
            const std::int32_t first = firstSlot_[Index(i)];
            for (std::int32_t s = first; s < firstSlot_[Index(i) + 1]; ++s) {
                flow += network_.flow[Index(s)];
                segmentCost +=
                    static_cast<double>(network_.flow[Index(s)]) * network_.cost[Index(s)];
            }
            firstSlope = network_.cost[Index(first)];
            startValue = startValue_[Index(i)];
            moved = MovedCharge(i, flow);
        },
        &candidates_);
    result.relaxedTotal = SnapCost(evaluation.relaxedTotal + chargeTotal_);
    result.trueTotal = evaluation.trueTotal;
    result.gapArcIndex = evaluation.gapArcIndex;
    result.gapArcFlow = evaluation.gapArcFlow;
    result.candidates = &candidates_;
    return result;
}

void EnvelopeRelaxation::KeepSolve() {
    kept_.valid = simplex_.CanResolve();
    if (!kept_.valid) {
        return;
    }
    keptSimplex_ = simplex_;
    kept_.network = network_;
    kept_.builtFrom = builtFrom_;
    kept_.builtEnd = builtEnd_;
    kept_.slotLower = slotLower_;
    kept_.slotUpper = slotUpper_;
    kept_.slotCost = slotCost_;
    kept_.startValue = startValue_;
    kept_.charge = charge_;
}

void EnvelopeRelaxation::ReturnToKept() {
    if (!kept_.valid) {
        return;
    }
    kept_.valid = false;
    std::swap(simplex_, keptSimplex_);
    std::swap(network_, kept_.network);
    std::swap(builtFrom_, kept_.builtFrom);
    std::swap(builtEnd_, kept_.builtEnd);
    std::swap(slotLower_, kept_.slotLower);
    std::swap(slotUpper_, kept_.slotUpper);
    std::swap(slotCost_, kept_.slotCost);
    std::swap(startValue_, kept_.startValue);
    // The prices may have moved since: such arcs are built again.
    for (const std::int32_t arc : rules_.Arcs()) {
        if (kept_.charge.size() != charge_.size() ||
            (!charge_.empty() && kept_.charge[Index(arc)] != charge_[Index(arc)])) {
            builtFrom_[Index(arc)] = kUnbuilt;
        }
    }
}

void EnvelopeRelaxation::KeepRoot() {
    rootLower_ = network_.lower;
    rootUpper_ = network_.upper;
    rootFlow_ = network_.flow;
    rootReduced_.resize(network_.from.size());
    for (std::int32_t s = 0; s < network_.ArcCount(); ++s) {
        rootReduced_[Index(s)] = network_.ReducedCost(s);
    }
    rootKept_ = true;
}

void EnvelopeRelaxation::Steps(std::int32_t arc, bool up, const std::vector<std::int64_t>& lower,
                               const std::vector<std::int64_t>& upper,
                               const std::vector<std::int64_t>& flow,
                               const std::vector<double>& reduced) const {
    steps_.clear();
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        const auto i = Index(s);
        const std::int64_t room = up ? upper[i] - flow[i] : flow[i] - lower[i];
        if (room > 0) {
            steps_.push_back(Step{std::max(0.0, up ? reduced[i] : -reduced[i]), room});
        }
    }
    std::sort(steps_.begin(), steps_.end(),
              [](const Step& a, const Step& b) { return a.cost < b.cost; });
}

// Every circulation f of the network costs at least the optimum plus the
// sum over slots of reduced cost times (f - optimal flow), each term at
// least 0. So moving one arc's flow by d costs at least the cheapest way
// its own slots can move by d: filled greedily, cheapest slot first.
bool EnvelopeRelaxation::RangeWithin(std::int32_t arc, double slack, std::int64_t& lo,
                                     std::int64_t& hi) const {
    if (!rootKept_ || !(slack >= 0.0)) {
        return false;
    }
    Reach(arc, slack, rootLower_, rootUpper_, rootFlow_, rootReduced_, lo, hi);
    return true;
}

bool EnvelopeRelaxation::RangeNowWithin(std::int32_t arc, double slack, std::int64_t& lo,
                                        std::int64_t& hi) const {
    if (!(slack >= 0.0)) {
        return false;
    }
    reduced_.resize(network_.from.size());
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        reduced_[Index(s)] = network_.ReducedCost(s);
    }
    Reach(arc, slack, network_.lower, network_.upper, network_.flow, reduced_, lo, hi);
    return true;
}

void EnvelopeRelaxation::Reach(std::int32_t arc, double slack,
                               const std::vector<std::int64_t>& lower,
                               const std::vector<std::int64_t>& upper,
                               const std::vector<std::int64_t>& flows,
                               const std::vector<double>& reduced, std::int64_t& lo,
                               std::int64_t& hi) const {
    std::int64_t flow = 0;
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        flow += flows[Index(s)];
    }
    const auto reach = [&](bool up) {
        Steps(arc, up, lower, upper, flows, reduced);
        std::int64_t moved = 0;
        double spent = 0.0;
        for (const Step& step : steps_) {
            if (step.cost <= 0.0) {
                moved += step.room;
                continue;
            }
            const double affordable = (slack - spent) / step.cost;
            if (affordable < static_cast<double>(step.room)) {
                moved += static_cast<std::int64_t>(std::floor(affordable));
                break;
            }
            moved += step.room;
            spent += step.cost * static_cast<double>(step.room);
        }
        return moved;
    };
    hi = flow + reach(true);
    lo = flow - reach(false);
}

double EnvelopeRelaxation::RiseToRange(std::int32_t arc, std::int64_t lo, std::int64_t hi) const {
    std::int64_t flow = 0;
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        flow += network_.flow[Index(s)];
    }
    const bool up = flow < lo;
    std::int64_t need = up ? lo - flow : flow > hi ? flow - hi : 0;
    if (need == 0) {
        return 0.0;
    }
    reduced_.resize(network_.from.size());
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        reduced_[Index(s)] = network_.ReducedCost(s);
    }
    Steps(arc, up, network_.lower, network_.upper, network_.flow, reduced_);
    double rise = 0.0;
    for (const Step& step : steps_) {
        const std::int64_t used = std::min(need, step.room);
        rise += step.cost * static_cast<double>(used);
        need -= used;
        if (need == 0) {
            return rise;
        }
    }
    return rise;  // the slots cannot reach the range: the solve will say so
}

double EnvelopeRelaxation::RelaxedTotal() const {
    double total = 0.0;
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        const std::int32_t first = firstSlot_[Index(i)];
        for (std::int32_t s = first; s < firstSlot_[Index(i) + 1]; ++s) {
            total += static_cast<double>(network_.flow[Index(s)]) * network_.cost[Index(s)];
        }
        const ArcRecord& parsed = t_.ArcTable.At(i);
        if (!CostedFromZero(parsed)) {
            total += startValue_[Index(i)] - static_cast<double>(network_.lower[Index(first)]) *
                                                 network_.cost[Index(first)];
        }
    }
    return SnapCost(total + chargeTotal_);
}

bool EnvelopeRelaxation::TrialBound(std::int32_t arc, std::int64_t lo, std::int64_t hi,
                                    std::int64_t pivotLimit, double& bound) {
    if (!simplex_.CanResolve()) {
        return false;
    }
    const ArcRecord& parsed = t_.ArcTable.At(arc);
    trialPieces_.resize(Index(parsed.pieceCount));
    BranchSetUp::Narrowed(parsed, t_.PieceTable.data() + firstPiece_[Index(arc)], lo, hi, trialArc_,
                          trialPieces_.data());
    if (!charge_.empty() && charge_[Index(arc)] > 0.0) {
        ApplyCharge(arc, trialArc_, trialPieces_.data());
    }
    BuildEnvelope(trialArc_, trialPieces_.data(), envelope_);
    CheckSlots(arc);
    savedSimplex_ = simplex_;
    savedNetwork_ = network_;
    const double savedStart = startValue_[Index(arc)];
    startValue_[Index(arc)] = envelope_.startValue;
    bool changed = true;
    std::int32_t slot = firstSlot_[Index(arc)];
    std::int64_t previousEnd = trialArc_.lower;
    for (const EnvelopeSegment& segment : envelope_.segments) {
        const bool first = slot == firstSlot_[Index(arc)];
        changed = changed && simplex_.ChangeArc(slot, first ? trialArc_.lower : 0,
                                                first ? segment.end : segment.end - previousEnd,
                                                segment.slope);
        previousEnd = segment.end;
        ++slot;
    }
    for (; changed && slot < firstSlot_[Index(arc) + 1]; ++slot) {
        changed = simplex_.ChangeArc(slot, 0, 0, 0.0);
    }
    FlowOutcome outcome = FlowOutcome::Stopped;
    if (changed) {
        outcome = simplex_.Resolve(pivotLimit);
        work_ += simplex_.Pivots();
    }
    if (outcome == FlowOutcome::Optimal) {
        bound = RelaxedTotal();
    } else if (outcome == FlowOutcome::Infeasible) {
        bound = NoSolutionCost;
    }
    startValue_[Index(arc)] = savedStart;
    simplex_ = savedSimplex_;
    network_ = savedNetwork_;
    return outcome != FlowOutcome::Stopped;
}

void EnvelopeRelaxation::ApplyCharge(std::int32_t arc, ArcRecord& record,
                                     PieceRecord* pieces) const {
    const double price = charge_[Index(arc)];
    // Every flow from 1 on costs the price less; a range from 0 starts
    // with the piece that holds 0 alone.
    if (record.lower >= 1) {
        record.baseCost -= price;
    }
    for (std::int32_t k = 0; k < record.pieceCount - 1; ++k) {
        pieces[k].baseCost -= price;
    }
}

void EnvelopeRelaxation::SetRulePrices(const std::vector<double>& prices) {
    newCharge_.resize(Index(t_.ArcCount));
    chargeTotal_ = rules_.Charges(prices, newCharge_);
    for (const std::int32_t arc : rules_.Arcs()) {
        const auto a = Index(arc);
        if (charge_[a] != newCharge_[a]) {
            charge_[a] = newCharge_[a];
            builtFrom_[a] = kUnbuilt;
        }
    }
}

// The subgradient method on the rule prices, each step as long as the gap
// to the incumbent over the violations' length (Polyak's rule).
double EnvelopeRelaxation::TrueTotal(GrowArray<SolutionRecord>* rows) const {
    double total = 0.0;
    PieceCursor cursor(t_.WorkPieceTable.data());
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        const ArcRecord& arc = t_.WorkArcTable.At(i);
        std::int64_t flow = 0;
        for (std::int32_t s = firstSlot_[Index(i)]; s < firstSlot_[Index(i) + 1]; ++s) {
            flow += network_.flow[Index(s)];
        }
        const ArcRecord& parsed = t_.ArcTable.At(i);
        const double cost = TrueArcCost(arc, cursor.Take(arc), flow, CostedFromZero(parsed));
        total += cost;
        if (rows != nullptr) {
            (*rows)[Index(i)].flow = flow;
            (*rows)[Index(i)].cost = cost;
        }
    }
    return SnapCost(total);
}

void EnvelopeRelaxation::FindOpenings(bool all) {
    const auto open = [&](std::int32_t arc) {
        const auto first = Index(firstSlot_[Index(arc)]);
        std::int64_t flow = 0;
        for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
            flow += network_.flow[Index(s)];
        }
        opening_[Index(arc)] =
            flow <= 0 ? 0.0
            : network_.lower[first] >= 1 || flow >= network_.upper[first]
                ? 1.0
                : static_cast<double>(flow) / static_cast<double>(network_.upper[first]);
    };
    if (!all) {
        for (const std::int32_t arc : rules_.Arcs()) {
            open(arc);
        }
        return;
    }
    for (std::int32_t arc = 0; arc < t_.ArcCount; ++arc) {
        if (IsCharged(t_.ArcTable.At(arc))) {
            open(arc);
        }
    }
}

bool EnvelopeRelaxation::StepPrices(double incumbent, double bound, double scale) {
    rules_.Violations(opening_, violation_);
    double norm = 0.0;
    for (std::size_t r = 0; r < prices_.size(); ++r) {
        if (prices_[r] > 0.0 || violation_[r] > 0.0) {
            norm += violation_[r] * violation_[r];
        }
    }
    if (norm <= 0.0) {
        return false;
    }
    const double length = scale * (incumbent - bound) / norm;
    for (std::size_t r = 0; r < prices_.size(); ++r) {
        prices_[r] = std::clamp(prices_[r] + length * violation_[r], 0.0, rules_.LargestCharge(r));
    }
    SetRulePrices(prices_);
    return true;
}

bool EnvelopeRelaxation::StrengthenBound(double& incumbent) {
    std::vector<std::int64_t> end(Index(t_.ArcCount), 0);
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        // The first slot's bound counts from 0, the others are lengths.
        for (std::int32_t s = firstSlot_[Index(i)]; s < firstSlot_[Index(i) + 1]; ++s) {
            end[Index(i)] += network_.upper[Index(s)];
        }
    }
    rules_.Find(t_, end);
    if (!(incumbent < LargestDouble)) {
        return false;
    }
    charge_.assign(Index(t_.ArcCount), 0.0);
    opening_.assign(Index(t_.ArcCount), 0.0);
    const double start = RelaxedTotal();
    double bound = start;
    double bestBound = start;
    // Set rules come from the openings as the prices move.
    const std::size_t ruleLimit = rules_.Count() + kSetRulesPerNode * Index(t_.NodeCount);
    prices_.assign(rules_.Count(), 0.0);
    std::vector<double> best = prices_;
    double scale = kFirstScale;
    std::int32_t flat = 0;
    std::int32_t round = 0;
    for (; round < kPriceRounds && incumbent > bound; ++round) {
        FindOpenings(true);
        if (rules_.Count() < ruleLimit) {
            rules_.AddSetRules(t_, end, opening_, ruleLimit - rules_.Count());
            prices_.resize(rules_.Count(), 0.0);
            best.resize(rules_.Count(), 0.0);
        }
        if (!StepPrices(incumbent, bound, scale)) {
            break;
        }
        BuildEnvelopes();
        if (SolveFlow() != FlowOutcome::Optimal) {
            break;  // stopped: the stop shows at the next solve
        }
        bound = RelaxedTotal();
        // The prices open arcs fully: a flow worth keeping on its own.
        if (TrueTotal(nullptr) < incumbent) {
            incumbent = TrueTotal(&t_.BestSolutionTable);
        }
        if (bound > bestBound + 1e-9 * std::max(1.0, std::fabs(bestBound))) {
            bestBound = bound;
            best = prices_;
            flat = 0;
        } else if (++flat >= kFlatRounds) {
            scale /= 2.0;
            flat = 0;
        }
    }
    if (round == 0) {
        return false;
    }
    // The network holds the last round's prices: the root is solved again
    // under the best ones, and its prices kept from that solve.
    prices_ = best;
    SetRulePrices(prices_);
    rootKept_ = false;
    return true;
}

bool EnvelopeRelaxation::LiftBound(double incumbent, RelaxationResult& result) {
    if (prices_.empty() || !(incumbent < LargestDouble)) {
        return false;
    }
    bool lifted = false;
    for (std::int32_t step = 0; step < kLiftSteps && result.relaxedTotal < incumbent; ++step) {
        FindOpenings(false);
        lastPrices_ = prices_;
        if (!StepPrices(incumbent, result.relaxedTotal, kLiftScale)) {
            break;
        }
        // A step that does not lift is undone by copying back, which costs
        // less than solving again under the old prices.
        savedSimplex_ = simplex_;
        savedNetwork_ = network_;
        BuildEnvelopes();
        RelaxationResult next = Evaluate(SolveFlow());
        if (next.Stopped() ||
            next.relaxedTotal >
                result.relaxedTotal + 1e-9 * std::max(1.0, std::fabs(result.relaxedTotal))) {
            result = next;
            lifted = true;
            if (result.Stopped()) {
                break;
            }
            continue;
        }
        // No higher: the prices go back, and so does the solve.
        prices_ = lastPrices_;
        SetRulePrices(prices_);
        BuildEnvelopes();
        simplex_ = savedSimplex_;
        network_ = savedNetwork_;
        // Evaluated again: the step's evaluation wrote its flow's rows.
        result = Evaluate(FlowOutcome::Optimal);
        break;
    }
    return lifted;
}

void EnvelopeRelaxation::ArcFlows(std::vector<std::int64_t>& flows) const {
    flows.assign(Index(t_.ArcCount), 0);
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        for (std::int32_t s = firstSlot_[Index(i)]; s < firstSlot_[Index(i) + 1]; ++s) {
            flows[Index(i)] += network_.flow[Index(s)];
        }
    }
}

bool EnvelopeRelaxation::PriceArc(std::int32_t arc, double slope) {
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        const auto i = Index(s);
        if (network_.cost[i] != slope &&
            !simplex_.ChangeArc(s, network_.lower[i], network_.upper[i], slope)) {
            return false;
        }
    }
    return true;
}

// Slope scaling: every arc whose cost is not linear is priced at its true
// cost's slope from its lower bound to its last flow (to the end of its
// range while it carries nothing more), and the network solved again,
// until the flow repeats. On a fixed charge f + c x that is c + f / x: an
// arc that carries much pays little of its charge per unit, which gathers
// flow onto few arcs as the true costs reward. Each solve's flow is costed
// as a candidate incumbent.
bool EnvelopeRelaxation::FindIncumbent(double& incumbent) {
    if (!simplex_.CanResolve()) {
        return false;
    }
    savedSimplex_ = simplex_;
    savedNetwork_ = network_;
    // Where fixed charges make up most of what is not linear, the root's
    // flow and the first priced one start the search from every share, for
    // which share leads to good flows differs between networks; other
    // searches take the shares in turn.
    const bool wide =
        chargesDominate_ && (searches_ == 0 || (!prices_.empty() && !pricedSearched_));
    pricedSearched_ = pricedSearched_ || !prices_.empty();
    const std::size_t starts = wide ? kIdleShares.size() : 1;
    bool improved = false;
    for (std::size_t start = 0; start < starts; ++start) {
        if (start > 0) {
            simplex_ = savedSimplex_;
            network_ = savedNetwork_;
        }
        const double share =
            kIdleShares[wide ? start : static_cast<std::size_t>(searches_) % kIdleShares.size()];
        improved = SearchForFlows(incumbent, share) || improved;
        ++searches_;
    }
    simplex_ = savedSimplex_;
    network_ = savedNetwork_;
    return improved;
}

bool EnvelopeRelaxation::SearchForFlows(double& incumbent, double idleShare) {
    ArcFlows(arcFlow_);
    closed_.clear();
    scaledSlope_.assign(Index(t_.ArcCount), 0.0);
    lastArcFlow_.clear();
    bool improved = false;
    const auto tryFlow = [&] {
        const double total = TrueTotal(nullptr);
        if (total < incumbent) {
            incumbent = TrueTotal(&t_.BestSolutionTable);
            improved = true;
        }
        return total;
    };
    bool solved = true;
    for (std::int32_t round = 0; solved && round < kScalingRounds; ++round) {
        solved =
            ScaleSlopes(round == 0 ? idleShare : 0.0) && simplex_.Resolve() == FlowOutcome::Optimal;
        work_ += simplex_.Pivots();
        if (solved) {
            tryFlow();
            lastArcFlow_.swap(arcFlow_);
            ArcFlows(arcFlow_);
            if (arcFlow_ == lastArcFlow_) {
                break;
            }
        }
    }
    if (solved) {
        CloseArcs(tryFlow);
    }
    return improved;
}

bool EnvelopeRelaxation::ScaleSlopes(double idleShare) {
    PieceCursor cursor(t_.WorkPieceTable.data());
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        const ArcRecord& arc = t_.WorkArcTable.At(i);
        const PieceRecord* pieces = cursor.Take(arc);
        const ArcRecord& parsed = t_.ArcTable.At(i);
        if (CostedFromZero(parsed)) {
            continue;  // linear: its envelope is its cost
        }
        std::int64_t end = 0;
        for (std::int32_t s = firstSlot_[Index(i)]; s < firstSlot_[Index(i) + 1]; ++s) {
            end += network_.upper[Index(s)];
        }
        const std::int64_t lo = network_.lower[Index(firstSlot_[Index(i)])];
        const std::int64_t flow = arcFlow_[Index(i)];
        const std::int64_t idleTo =
            lo +
            std::max<std::int64_t>(
                1, static_cast<std::int64_t>(std::ceil(static_cast<double>(end - lo) * idleShare)));
        const std::int64_t to = flow > lo ? flow : idleShare > 0 ? std::min(end, idleTo) : lo;
        if (to > lo) {
            scaledSlope_[Index(i)] =
                (TrueArcCost(arc, pieces, to, false) - TrueArcCost(arc, pieces, lo, false)) /
                static_cast<double>(to - lo);
        }
        if (!closed_.empty() && closed_[Index(i)]) {
            continue;
        }
        if (!PriceArc(i, scaledSlope_[Index(i)])) {
            return false;
        }
    }
    return true;
}

// Local search from the last slope-scaling flow: each arc that carries
// more than its lower bound is priced out of use (dearer than any path
// without it) and the network solved again; a flow that costs less is
// kept with its arc closed and the slopes taken from it, else the arc's
// slope is put back. Arcs that cost most per unit they carry go first.
template <typename TryFlow>
void EnvelopeRelaxation::CloseArcs(TryFlow&& tryFlow) {
    double penalty = 1.0;
    for (std::int32_t s = 0; s < network_.ArcCount(); ++s) {
        penalty += std::fabs(network_.cost[Index(s)]);
    }
    closed_.assign(Index(t_.ArcCount), false);
    double current = TrueTotal(nullptr);
    bool better = false;
    // The arc priced at `price` and the network solved again: a flow that
    // costs less is kept, with the slopes taken from it; else the arc's
    // slope goes back.
    enum class Move { Kept, Undone, Failed };
    const auto tryMove = [&](std::int32_t arc, double price) {
        if (!PriceArc(arc, price) || simplex_.Resolve() != FlowOutcome::Optimal) {
            return Move::Failed;
        }
        work_ += simplex_.Pivots();
        const double total = tryFlow();
        if (total < current) {
            current = total;
            better = true;
            ArcFlows(arcFlow_);
            return ScaleSlopes(0.0) ? Move::Kept : Move::Failed;
        }
        return PriceArc(arc, scaledSlope_[Index(arc)]) ? Move::Undone : Move::Failed;
    };
    for (std::int32_t pass = 0; pass < kClosingPasses; ++pass) {
        better = false;
        order_.clear();
        for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
            const ArcRecord& parsed = t_.ArcTable.At(i);
            if (!CostedFromZero(parsed) && !closed_[Index(i)] &&
                arcFlow_[Index(i)] > network_.lower[Index(firstSlot_[Index(i)])]) {
                order_.push_back(i);
            }
        }
        std::stable_sort(order_.begin(), order_.end(), [&](std::int32_t a, std::int32_t b) {
            return scaledSlope_[Index(a)] > scaledSlope_[Index(b)];
        });
        for (const std::int32_t arc : order_) {
            if (arcFlow_[Index(arc)] <= network_.lower[Index(firstSlot_[Index(arc)])]) {
                continue;  // emptied by an earlier move
            }
            closed_[Index(arc)] = true;  // kept out of the slopes taken from a kept flow
            const Move move = tryMove(arc, penalty);
            if (move == Move::Failed) {
                return;
            }
            closed_[Index(arc)] = move == Move::Kept;
        }
        // Then each arc without flow priced as if its charge were paid: the
        // slope of its cost past its first flow.
        PieceCursor cursor(t_.WorkPieceTable.data());
        for (std::int32_t arc = 0; arc < t_.ArcCount; ++arc) {
            const ArcRecord& record = t_.WorkArcTable.At(arc);
            const PieceRecord* pieces = cursor.Take(record);
            const ArcRecord& parsed = t_.ArcTable.At(arc);
            const std::int64_t lo = network_.lower[Index(firstSlot_[Index(arc)])];
            std::int64_t end = 0;
            for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
                end += network_.upper[Index(s)];
            }
            if (CostedFromZero(parsed) || closed_[Index(arc)] || arcFlow_[Index(arc)] > lo ||
                end <= lo + 1) {
                continue;
            }
            const double open = (TrueArcCost(record, pieces, end, false) -
                                 TrueArcCost(record, pieces, lo + 1, false)) /
                                static_cast<double>(end - lo - 1);
            if (!(open < scaledSlope_[Index(arc)])) {
                continue;
            }
            if (tryMove(arc, open) == Move::Failed) {
                return;
            }
        }
        if (!better) {
            return;
        }
    }
}

double EnvelopeRelaxation::EnvelopeAt(std::int32_t arc, std::int64_t flow) const {
    const std::int32_t first = firstSlot_[Index(arc)];
    double value = startValue_[Index(arc)];
    std::int64_t at = network_.lower[Index(first)];
    for (std::int32_t s = first; s < firstSlot_[Index(arc) + 1] && at < flow; ++s) {
        // The first slot runs from the arc's lower bound, the others from 0.
        const std::int64_t length =
            s == first ? network_.upper[Index(s)] - at : network_.upper[Index(s)];
        const std::int64_t step = std::min(length, flow - at);
        value += static_cast<double>(step) * network_.cost[Index(s)];
        at += step;
    }
    return value;
}

double EnvelopeRelaxation::GapAt(std::int32_t arc, std::int64_t flow) const {
    const ArcRecord& work = t_.WorkArcTable.At(arc);
    const double gap = TrueArcCost(work, t_.WorkPieceTable.data() + workPiece_[Index(arc)], flow,
                                   CostedFromZero(t_.ArcTable.At(arc))) -
                       EnvelopeAt(arc, flow);
    return std::max(0.0, gap - MovedCharge(arc, flow));
}

template <typename Visit>
void EnvelopeRelaxation::ForEachTurn(std::int32_t arc, Visit&& visit) const {
    // Between these flows both the cost and the envelope are linear.
    const ArcRecord& work = t_.WorkArcTable.At(arc);
    const PieceRecord* pieces = t_.WorkPieceTable.data() + workPiece_[Index(arc)];
    const std::int64_t end = RangeEnd(work, pieces);
    const auto within = [&](std::int64_t flow) {
        if (flow >= work.lower && flow <= end) {
            visit(flow);
        }
    };
    within(work.lower);
    within(work.upper);
    within(std::int64_t{work.upper} + 1);
    for (std::int32_t k = 0; k + 1 < work.pieceCount; ++k) {
        within(pieces[k].upper);
        within(std::int64_t{pieces[k].upper} + 1);
    }
    std::int64_t at = work.lower;
    for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
        at = s == firstSlot_[Index(arc)] ? network_.upper[Index(s)] : at + network_.upper[Index(s)];
        within(at);
    }
}

double EnvelopeRelaxation::GapPenalty() {
    // Where rule prices hold the bound, fixed charges leave gaps on many
    // arcs at once: shared that thin, the moves lift it too little to pay.
    if (candidates_.empty() || !prices_.empty() || !simplex_.CanResolve()) {
        return 0.0;
    }
    gapArcs_.clear();
    cutArcs_.clear();
    for (const BranchCandidate& candidate : candidates_) {
        const std::int32_t arc = candidate.arc;
        std::int32_t inner = -1;
        for (std::int32_t s = firstSlot_[Index(arc)]; s < firstSlot_[Index(arc) + 1]; ++s) {
            const auto i = Index(s);
            if (network_.flow[i] > network_.lower[i] && network_.flow[i] < network_.upper[i]) {
                inner = s;
            }
        }
        const double gap = GapAt(arc, candidate.flow);
        if (inner < 0 || !(gap > 0.0)) {
            continue;
        }
        // The most a move saves per unit, each way.
        double needUp = 0.0;
        double needDown = 0.0;
        ForEachTurn(arc, [&](std::int64_t flow) {
            if (flow != candidate.flow) {
                const double distance = static_cast<double>(flow - candidate.flow);
                double& need = distance > 0.0 ? needUp : needDown;
                need = std::max(need, (gap - GapAt(arc, flow)) / std::fabs(distance));
            }
        });
        gapArcs_.push_back(GapArc{arc, candidate.flow, gap});
        cutArcs_.push_back(CutRates::Arc{inner, firstSlot_[Index(arc)], firstSlot_[Index(arc) + 1],
                                         needUp, needDown});
    }
    cutRates_.Find(network_, simplex_, cutArcs_, upRate_, downRate_);
    double sum = 0.0;
    for (std::size_t k = 0; k < gapArcs_.size(); ++k) {
        const GapArc& gapArc = gapArcs_[k];
        // Keep the gap, or move to a flow nearer the cost and pay for the move.
        double least = gapArc.gap;
        ForEachTurn(gapArc.arc, [&](std::int64_t flow) {
            const double move = flow > gapArc.flow
                                    ? upRate_[k] * static_cast<double>(flow - gapArc.flow)
                                    : downRate_[k] * static_cast<double>(gapArc.flow - flow);
            if (flow != gapArc.flow && move < least) {
                least = std::min(least, move + GapAt(gapArc.arc, flow));
            }
        });
        sum += least;
    }
    return sum;
}

SearchMethods FastSearchMethods(ProblemTables& tables, RunMonitor& monitor) {
    return SearchMethods{std::make_unique<EnvelopeRelaxation>(tables, monitor),
                         std::make_unique<HeapBranchSelector>()};
}

}  // namespace kova
