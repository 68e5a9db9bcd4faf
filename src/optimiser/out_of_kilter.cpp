#include "optimiser/out_of_kilter.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "optimiser/branch_selector.h"
#include "text/date_time.h"

namespace kova {
namespace {

constexpr auto kClockInterval = std::chrono::milliseconds(20);
constexpr std::uint32_t kStepsBetweenClockChecks = 64;

std::size_t At(std::int64_t i) {
    return static_cast<std::size_t>(i);
}

bool TestBit(const std::vector<std::uint64_t>& bits, std::int32_t i) {
    return (bits[At(i) >> 6] >> (i & 63)) & 1U;
}

void SetBit(std::vector<std::uint64_t>& bits, std::int32_t i, bool value) {
    const std::uint64_t mask = std::uint64_t{1} << (i & 63);
    if (value) {
        bits[At(i) >> 6] |= mask;
    } else {
        bits[At(i) >> 6] &= ~mask;
    }
}

}  // namespace

void OutOfKilter::RunOutOfKilter() {
    searches_ = 0;
    t_.RelaxationState = kKilterNoSearch;
    if (t_.NetNodeCount == 0) {
        return;  // no arcs: nothing to solve, code 0
    }
    const std::int32_t arcs = t_.NetArcCount;
    const auto nodes = At(t_.NetNodeCount);
    BuildAdjacency();
    if (!ComputeStartingDistances()) {
        t_.RelaxationState = kKilterStopped;
        return;
    }

    // Flows start at 0 as the network was built; reduced costs are the costs.
    refreshed_ = false;
    const std::size_t words = (At(arcs) + 63) / 64;
    outOfKilter_.assign(words, 0);
    pendingArcs_.assign(words, 0);
    stale_.assign(words, 0);
    outOfKilterCount_ = 0;
    for (std::int32_t a = 0; a < arcs; ++a) {
        UpdateKilterBit(a);
        const NetArcRecord& arc = t_.NetArcTable[At(a)];
        SetBit(pendingArcs_, a, Pending(arc.from) || Pending(arc.to));
    }
    labelStamp_.assign(nodes, 0);
    labelPred_.resize(nodes);
    labelReach_.resize(nodes);
    labelArc_.resize(nodes);
    stamp_ = 0;

    CurrentArc = 0;
    if (arcs == 0) {
        return;
    }
    const std::int64_t labelLimit = 5 * static_cast<std::int64_t>(arcs);
    bool firstStep = true;
    while (true) {
        monitor_.Pump();
        if (monitor_.StopRequested()) {
            t_.RelaxationState = kKilterStopped;
            return;
        }
        ShowElapsedTime(firstStep);
        firstStep = false;
        if (Classify(CurrentArc)) {
            LabelSearch();
            ++searches_;
            if (searches_ > labelLimit) {
                t_.RelaxationState = kKilterInfeasible;
                return;
            }
            if (t_.RelaxationState == kKilterAugmented) {
                if (TakeStartingPotential(LabelSource)) {
                    StartRefreshedCosts();
                }
                continue;  // the same arc again
            }
            if (t_.RelaxationState == kKilterPotentialsChanged) {
                StartRefreshedCosts();
                CurrentArc = 0;
                continue;
            }
            return;  // no feasible flow
        }
        const NetArcRecord& arc = t_.NetArcTable[At(CurrentArc)];
        TakeStartingPotential(arc.from);
        TakeStartingPotential(arc.to);
        StartRefreshedCosts();
        // The arcs up to the next event are in kilter with both potentials
        // set: examining them changes nothing.
        const std::int32_t next = NextEvent(CurrentArc + 1);
        if (next < arcs) {
            CurrentArc = next;
            continue;
        }
        ResolveAllStale();
        if (outOfKilterCount_ == 0) {
            return;
        }
        CurrentArc = 0;  // an arc behind the scan fell out of kilter again
    }
}

void OutOfKilter::BuildAdjacency() {
    const auto nodes = At(t_.NetNodeCount);
    const std::int32_t arcs = t_.NetArcCount;
    outStart_.assign(nodes + 1, 0);
    inStart_.assign(nodes + 1, 0);
    for (std::int32_t a = 0; a < arcs; ++a) {
        const NetArcRecord& arc = t_.NetArcTable[At(a)];
        ++outStart_[At(arc.from) + 1];
        ++inStart_[At(arc.to) + 1];
    }
    for (std::size_t n = 0; n < nodes; ++n) {
        outStart_[n + 1] += outStart_[n];
        inStart_[n + 1] += inStart_[n];
    }
    outArcs_.resize(At(arcs));
    inArcs_.resize(At(arcs));
    std::vector<std::int32_t> outFill(outStart_.begin(), outStart_.end() - 1);
    std::vector<std::int32_t> inFill(inStart_.begin(), inStart_.end() - 1);
    for (std::int32_t a = 0; a < arcs; ++a) {  // in index order, so every list is sorted
        const NetArcRecord& arc = t_.NetArcTable[At(a)];
        outArcs_[At(outFill[At(arc.from)]++)] = Adjacent{a, arc.to};
        inArcs_[At(inFill[At(arc.to)]++)] = Adjacent{a, arc.from};
    }
}

// Passes as the method makes them, each reading the values of the pass
// before; an arc can only improve its end when its start changed in the
// pass before, so only those starts are relaxed. Equal results, equal count.
// The user interface is pumped between passes, so a long run of passes (a
// cycle of negative cost) can still be stopped; false when it was.
bool OutOfKilter::ComputeStartingDistances() {
    const auto nodes = At(t_.NetNodeCount);
    double* potential = t_.PotentialTable.data();
    double* distance = t_.DistanceTable.data();
    std::fill(potential, potential + nodes, InfiniteDistance);
    std::fill(distance, distance + nodes, InfiniteDistance);
    potential[0] = 0.0;
    distance[0] = 0.0;
    std::vector<std::int32_t> frontier = {0};
    std::vector<std::int32_t> changed;
    std::vector<char> marked(nodes, 0);
    for (std::int32_t pass = 1;; ++pass) {
        changed.clear();
        for (const std::int32_t from : frontier) {
            const double start = potential[At(from)];
            if (start == InfiniteDistance) {
                continue;
            }
            for (std::int32_t k = outStart_[At(from)]; k < outStart_[At(from) + 1]; ++k) {
                const NetArcRecord& arc = t_.NetArcTable[At(outArcs_[At(k)].arc)];
                const double candidate = start + arc.cost;
                if (candidate < distance[At(arc.to)]) {
                    distance[At(arc.to)] = candidate;
                    if (!marked[At(arc.to)]) {
                        marked[At(arc.to)] = 1;
                        changed.push_back(arc.to);
                    }
                }
            }
        }
        if (changed.empty()) {
            break;
        }
        for (const std::int32_t node : changed) {
            potential[At(node)] = distance[At(node)];
            marked[At(node)] = 0;
        }
        if (pass >= t_.NetNodeCount) {
            break;  // only a cycle of negative cost gets here
        }
        frontier.swap(changed);
        monitor_.Pump();
        if (monitor_.StopRequested()) {
            return false;
        }
    }
    for (std::size_t n = 0; n < nodes; ++n) {
        distance[n] = potential[n] == InfiniteDistance ? 0.0 : potential[n];
        potential[n] = 0.0;
    }
    return true;
}

bool OutOfKilter::OutOfKilterNow(std::int32_t a) const {
    const NetArcRecord& arc = t_.NetArcTable[At(a)];
    const double rc = ReducedCost(a);
    const bool belowLower = arc.flowMinusLower < 0;
    const bool aboveUpper = arc.flowMinusUpper > 0;
    return (rc == 0 && (belowLower || aboveUpper)) ||
           (rc < 0 && (arc.flowMinusUpper < 0 || aboveUpper)) ||
           (rc > 0 && (belowLower || arc.flowMinusLower > 0));
}

bool OutOfKilter::Classify(std::int32_t a) {
    const NetArcRecord& arc = t_.NetArcTable[At(a)];
    const double rc = ReducedCost(a);
    const bool belowLower = arc.flowMinusLower < 0;
    const bool belowUpper = arc.flowMinusUpper < 0;
    const bool aboveUpper = arc.flowMinusUpper > 0;
    const bool aboveLower = arc.flowMinusLower > 0;
    if ((rc == 0 && belowLower) || (rc < 0 && belowUpper) || (rc > 0 && belowLower)) {
        LabelSource = arc.to;
        LabelTarget = arc.from;
        KilterAmount = rc < 0 ? -arc.flowMinusUpper : -arc.flowMinusLower;
        mustRise_ = true;
        return true;
    }
    if ((rc < 0 && aboveUpper) || (rc == 0 && aboveUpper) || (rc > 0 && aboveLower)) {
        LabelSource = arc.from;
        LabelTarget = arc.to;
        KilterAmount = rc > 0 ? arc.flowMinusLower : arc.flowMinusUpper;
        mustRise_ = false;
        return true;
    }
    return false;
}

bool OutOfKilter::Pending(std::int32_t node) const {
    return t_.PotentialTable[At(node)] == 0.0 && t_.DistanceTable[At(node)] != 0.0;
}

void OutOfKilter::UpdateKilterBit(std::int32_t a) {
    SetBit(stale_, a, false);
    const bool out = OutOfKilterNow(a);
    if (out != TestBit(outOfKilter_, a)) {
        SetBit(outOfKilter_, a, out);
        outOfKilterCount_ += out ? 1 : -1;
    }
}

// The potential of `node` changed: the kilter states of its arcs and, when
// the node had been waiting for its starting potential, their waiting marks.
void OutOfKilter::UpdateArcsAt(std::int32_t node, bool kilterStates, bool waitingMarks) {
    for (const std::vector<Adjacent>* list : {&outArcs_, &inArcs_}) {
        const std::vector<std::int32_t>& start = list == &outArcs_ ? outStart_ : inStart_;
        for (std::int32_t k = start[At(node)]; k < start[At(node) + 1]; ++k) {
            const Adjacent& entry = (*list)[At(k)];
            if (kilterStates) {
                UpdateKilterBit(entry.arc);
            }
            if (waitingMarks) {
                SetBit(pendingArcs_, entry.arc, Pending(entry.other));
            }
        }
    }
}

// The first refresh turns the reduced costs from the costs into the
// potential form; later refreshes change nothing that is not kept up to date.
void OutOfKilter::StartRefreshedCosts() {
    if (refreshed_) {
        return;
    }
    refreshed_ = true;
    for (std::int32_t a = 0; a < t_.NetArcCount; ++a) {
        UpdateKilterBit(a);
    }
}

// The first arc at or after `from` that is out of kilter or has an end
// waiting for its potential; arcs whose state is stale are brought up to
// date on the way.
std::int32_t OutOfKilter::NextEvent(std::int32_t from) {
    const std::int32_t arcs = t_.NetArcCount;
    while (from < arcs) {
        std::size_t word = At(from) >> 6;
        std::uint64_t bits = (outOfKilter_[word] | pendingArcs_[word] | stale_[word]) &
                             (~std::uint64_t{0} << (from & 63));
        while (bits == 0) {
            if (++word >= outOfKilter_.size()) {
                return arcs;
            }
            bits = outOfKilter_[word] | pendingArcs_[word] | stale_[word];
        }
        const auto found = static_cast<std::int32_t>(word * 64 + At(std::countr_zero(bits)));
        if (found >= arcs) {
            return arcs;
        }
        if (TestBit(stale_, found)) {
            UpdateKilterBit(found);
            if (!TestBit(outOfKilter_, found) && !TestBit(pendingArcs_, found)) {
                from = found + 1;
                continue;
            }
        }
        return found;
    }
    return arcs;
}

void OutOfKilter::ResolveAllStale() {
    for (std::size_t word = 0; word < stale_.size(); ++word) {
        while (stale_[word] != 0) {
            UpdateKilterBit(
                static_cast<std::int32_t>(word * 64 + At(std::countr_zero(stale_[word]))));
        }
    }
}

bool OutOfKilter::TakeStartingPotential(std::int32_t node) {
    double& potential = t_.PotentialTable[At(node)];
    const double distance = t_.DistanceTable[At(node)];
    if (potential == 0.0 && distance != 0.0) {
        potential = -distance;
        UpdateArcsAt(node, refreshed_, true);
        return true;
    }
    return false;
}

// The clock is read on the first step of a solve and then about every 20 ms;
// the field shows whole seconds, so nothing visible is lost.
void OutOfKilter::ShowElapsedTime(bool force) {
    if (!force) {
        if (++stepsSinceClock_ < kStepsBetweenClockChecks) {
            return;
        }
        stepsSinceClock_ = 0;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastClock_ < kClockInterval) {
            return;
        }
        lastClock_ = now;
    } else {
        stepsSinceClock_ = 0;
        lastClock_ = std::chrono::steady_clock::now();
    }
    t_.RunEndTime = monitor_.Now();
    std::string text = ElapsedText(t_.RunStartTime, t_.RunEndTime);
    if (text != t_.ShownElapsedText) {
        t_.ShownElapsedText = std::move(text);
        monitor_.SetField(LiveField::Elapsed, t_.ShownElapsedText);
    }
}

void OutOfKilter::LabelSearch() {
    t_.RelaxationState = kKilterNoSearch;
    if (++stamp_ == 0) {  // wrapped: start the stamps over
        std::fill(labelStamp_.begin(), labelStamp_.end(), 0);
        stamp_ = 1;
    }
    labelStamp_[At(LabelSource)] = stamp_;
    labelPred_[At(LabelSource)] = 0;
    labelReach_[At(LabelSource)] = LargeInt;
    labelArc_[At(LabelSource)] = 0;
    LabelListCount = 0;

    if (LabelSource == LabelTarget) {
        // A loop arc: the source is labelled from the start, nothing to trace.
        Augment();
        t_.RelaxationState = kKilterAugmented;
        return;
    }
    // Passes 0 and 2 leave out only the examined arc itself.
    std::int32_t forwardPos = 0;
    std::int32_t backwardPos = 0;
    if (LabelAround(kForwardFromSource, LabelSource) ||
        LabelFromList(kForwardFromList, forwardPos) ||
        LabelAround(kBackwardIntoSource, LabelSource) ||
        LabelFromList(kBackwardIntoList, backwardPos)) {
        return;
    }
    // Nodes labelled backward are searched forward too, until neither
    // direction adds a node.
    while (forwardPos < LabelListCount) {
        if (LabelFromList(kForwardFromList, forwardPos) ||
            LabelFromList(kBackwardIntoList, backwardPos)) {
            return;
        }
    }
    ChangePotentials();
}

bool OutOfKilter::LabelAround(Mode mode, std::int32_t node) {
    const bool forward = mode == kForwardFromSource || mode == kForwardFromList;
    const bool atSource = mode == kForwardFromSource || mode == kBackwardIntoSource;
    const std::vector<std::int32_t>& start = forward ? outStart_ : inStart_;
    const std::vector<Adjacent>& list = forward ? outArcs_ : inArcs_;
    for (std::int32_t k = start[At(node)]; k < start[At(node) + 1]; ++k) {
        const Adjacent& entry = list[At(k)];
        // A labelled other end takes no label: nothing else to look at.
        if (Labelled(entry.other) || (atSource && entry.arc == CurrentArc)) {
            continue;
        }
        LabelAcross(mode, entry.arc, node, entry.other);
        if (t_.RelaxationState == kKilterAugmented) {
            return true;
        }
    }
    return false;
}

bool OutOfKilter::LabelFromList(Mode mode, std::int32_t& listPos) {
    for (; listPos < LabelListCount; ++listPos) {
        if (LabelAround(mode, t_.LabelList[At(listPos)] - 1)) {
            return true;
        }
    }
    return false;
}

// `known` is labelled, `fresh` not (the caller checked).
inline void OutOfKilter::LabelAcross(Mode mode, std::int32_t a, std::int32_t known,
                                     std::int32_t fresh) {
    t_.RelaxationState = kKilterNoSearch;
    const NetArcRecord& arc = t_.NetArcTable[At(a)];
    const bool forward = mode == kForwardFromSource || mode == kForwardFromList;
    // The flows decide first whether the arc can carry a label at all; the
    // reduced cost is only needed when it can.
    std::int64_t amount = 0;
    if (forward) {
        if (arc.flowMinusUpper >= 0 && arc.flowMinusLower >= 0) {
            return;
        }
        const double rc = ReducedCost(a);
        if (rc <= 0 && arc.flowMinusUpper < 0) {
            amount = -arc.flowMinusUpper;
        } else if (rc >= 0 && arc.flowMinusLower < 0) {
            amount = -arc.flowMinusLower;
        } else {
            return;
        }
    } else {
        if (arc.flowMinusLower <= 0 && arc.flowMinusUpper <= 0) {
            return;
        }
        const double rc = ReducedCost(a);
        if (rc >= 0 && arc.flowMinusLower > 0) {
            amount = arc.flowMinusLower;
        } else if (rc <= 0 && arc.flowMinusUpper > 0) {
            amount = arc.flowMinusUpper;
        } else {
            return;
        }
    }
    labelStamp_[At(fresh)] = stamp_;
    labelPred_[At(fresh)] = known + 1;
    labelReach_[At(fresh)] = std::min(labelReach_[At(known)], amount);
    labelArc_[At(fresh)] = forward ? a + 1 : -(a + 1);
    if (fresh == LabelTarget) {
        Augment();
        t_.RelaxationState = kKilterAugmented;
    } else {
        t_.LabelList[At(LabelListCount)] = fresh + 1;
        ++LabelListCount;
    }
}

void OutOfKilter::Augment() {
    const std::int64_t delta = std::min(labelReach_[At(LabelTarget)], KilterAmount);
    labelReach_[At(LabelTarget)] = delta;
    for (std::int32_t v = LabelTarget; v != LabelSource;) {
        const std::int32_t label = labelArc_[At(v)];
        const std::int32_t a = (label > 0 ? label : -label) - 1;
        NetArcRecord& arc = t_.NetArcTable[At(a)];
        const std::int64_t change = label > 0 ? delta : -delta;
        arc.flow += change;
        arc.flowMinusUpper += change;
        arc.flowMinusLower += change;
        UpdateKilterBit(a);
        v = labelPred_[At(v)] - 1;
    }
    NetArcRecord& examined = t_.NetArcTable[At(CurrentArc)];
    const std::int64_t change = mustRise_ ? delta : -delta;
    examined.flow += change;
    examined.flowMinusUpper += change;
    examined.flowMinusLower += change;
    UpdateKilterBit(CurrentArc);
}

void OutOfKilter::ChangePotentials() {
    // The candidates are the arcs with exactly one labelled end: found from
    // the labelled side. The minimum does not depend on the order. Every arc
    // at a labelled node is marked for a fresh kilter check on the way: the
    // scan checks it when it gets there (or before it may end).
    double delta = LargestDouble;
    bool candidates = false;
    const bool mark = refreshed_;
    for (std::int32_t i = -1; i < LabelListCount; ++i) {
        const std::int32_t node = i < 0 ? LabelSource : t_.LabelList[At(i)] - 1;
        for (std::int32_t k = outStart_[At(node)]; k < outStart_[At(node) + 1]; ++k) {
            const Adjacent& entry = outArcs_[At(k)];
            if (mark) {
                SetBit(stale_, entry.arc, true);
            }
            if (!Labelled(entry.other)) {
                const double rc = ReducedCost(entry.arc);
                if (rc > 0 && t_.NetArcTable[At(entry.arc)].flowMinusUpper <= 0) {
                    candidates = true;
                    delta = rc < delta ? rc : delta;
                }
            }
        }
        for (std::int32_t k = inStart_[At(node)]; k < inStart_[At(node) + 1]; ++k) {
            const Adjacent& entry = inArcs_[At(k)];
            if (mark) {
                SetBit(stale_, entry.arc, true);
            }
            if (!Labelled(entry.other)) {
                const double rc = ReducedCost(entry.arc);
                if (rc < 0 && t_.NetArcTable[At(entry.arc)].flowMinusLower >= 0) {
                    candidates = true;
                    delta = -rc < delta ? -rc : delta;
                }
            }
        }
    }
    if (!candidates) {
        t_.RelaxationState = kKilterInfeasible;
        return;
    }
    waitingMoved_.clear();
    for (std::int32_t i = -1; i < LabelListCount; ++i) {
        const std::int32_t node = i < 0 ? LabelSource : t_.LabelList[At(i)] - 1;
        if (Pending(node)) {
            waitingMoved_.push_back(node);
        }
        double& potential = t_.PotentialTable[At(node)];
        potential += delta;
        t_.DistanceTable[At(node)] = -potential;
    }
    for (const std::int32_t node : waitingMoved_) {
        UpdateArcsAt(node, false, true);
    }
    t_.RelaxationState = kKilterPotentialsChanged;
}

SearchMethods FastSearchMethods(ProblemTables& tables, RunMonitor& monitor) {
    return SearchMethods{std::make_unique<OutOfKilter>(tables, monitor),
                         std::make_unique<HeapBranchSelector>()};
}

}  // namespace kova
