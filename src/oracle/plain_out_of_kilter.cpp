#include "oracle/plain_out_of_kilter.h"

#include <algorithm>
#include <cmath>

#include "optimiser/solve_ticker.h"
#include "text/date_time.h"

namespace kova {

void PlainOutOfKilter::SizeNodeTables(std::size_t nodes) {
    LabelTable.SetSize(nodes);
    PotentialTable.SetSize(nodes);
    DistanceTable.SetSize(nodes);
    LabelList.SetSize(nodes);
}

void PlainOutOfKilter::RunOutOfKilter() {
    searches_ = 0;
    t_.RelaxationState = kKilterNoSearch;
    if (t_.NetNodeCount == 0) {
        return;  // no arcs: nothing to solve, code 0
    }
    ComputeStartingDistances();
    for (std::int32_t a = 0; a < t_.NetArcCount; ++a) {
        NetArcRecord& arc = t_.NetArcTable.At(a);
        arc.reducedCost = arc.cost;  // flows start at 0, as the network was built
    }
    CurrentArc = 0;
    if (t_.NetArcCount == 0) {
        return;
    }
    const std::int64_t labelLimit = 5 * static_cast<std::int64_t>(t_.NetArcCount);
    while (true) {
        monitor_.Pump();
        if (monitor_.StopRequested()) {
            t_.RelaxationState = kKilterStopped;
            return;
        }
        ShowElapsedTime(t_, monitor_);
        if (Classify(CurrentArc)) {
            LabelSearch();
            ++searches_;
            if (searches_ > labelLimit) {
                t_.RelaxationState = kKilterInfeasible;
                return;
            }
            if (t_.RelaxationState == kKilterAugmented) {
                if (TakeStartingPotential(LabelSource)) {
                    RefreshReducedCosts();
                }
                continue;  // the same arc again
            }
            if (t_.RelaxationState == kKilterPotentialsChanged) {
                RefreshReducedCosts();
                CurrentArc = 0;
                continue;
            }
            return;  // no feasible flow
        }
        const NetArcRecord& arc = t_.NetArcTable.At(CurrentArc);
        TakeStartingPotential(arc.from);
        TakeStartingPotential(arc.to);
        RefreshReducedCosts();
        if (++CurrentArc == t_.NetArcCount) {
            // A lazy potential or an augmentation may have put an arc behind
            // the scan out of kilter again.
            if (!AnyArcOutOfKilter()) {
                return;
            }
            CurrentArc = 0;
        }
    }
}

void PlainOutOfKilter::ComputeStartingDistances() {
    const auto nodes = static_cast<std::size_t>(t_.NetNodeCount);
    std::fill(PotentialTable.begin(), PotentialTable.end(), InfiniteDistance);
    std::fill(DistanceTable.begin(), DistanceTable.end(), InfiniteDistance);
    PotentialTable[0] = 0.0;
    DistanceTable[0] = 0.0;
    for (std::int32_t pass = 1;; ++pass) {
        bool changed = false;
        for (std::int32_t a = 0; a < t_.NetArcCount; ++a) {
            const NetArcRecord& arc = t_.NetArcTable.At(a);
            const double start = PotentialTable.At(arc.from);
            if (start == InfiniteDistance) {
                continue;  // not reached from node 0 (yet)
            }
            const double candidate = start + arc.cost;
            if (candidate < DistanceTable.At(arc.to)) {
                DistanceTable.At(arc.to) = candidate;
                changed = true;
            }
        }
        if (!changed) {
            break;
        }
        std::copy(DistanceTable.begin(), DistanceTable.end(), PotentialTable.begin());
        if (pass >= t_.NetNodeCount) {
            break;  // only a cycle of negative cost gets here
        }
    }
    for (std::size_t n = 0; n < nodes; ++n) {
        const double potential = PotentialTable[n];
        DistanceTable[n] = potential == InfiniteDistance ? 0.0 : potential;
        PotentialTable[n] = 0.0;
    }
}

void PlainOutOfKilter::RefreshReducedCosts() {
    for (std::int32_t a = 0; a < t_.NetArcCount; ++a) {
        NetArcRecord& arc = t_.NetArcTable.At(a);
        double rc = (arc.cost - PotentialTable.At(arc.from)) + PotentialTable.At(arc.to);
        if (!(std::fabs(rc) >= ZeroSnap)) {
            rc = 0.0;  // not a number (from infinite costs) too
        }
        arc.reducedCost = rc;
    }
}

bool PlainOutOfKilter::Classify(std::int32_t a) {
    const NetArcRecord& arc = t_.NetArcTable.At(a);
    const double rc = arc.reducedCost;
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

bool PlainOutOfKilter::AnyArcOutOfKilter() {
    const std::int32_t source = LabelSource;
    const std::int32_t target = LabelTarget;
    const std::int64_t amount = KilterAmount;
    const bool rise = mustRise_;
    bool found = false;
    for (std::int32_t a = 0; a < t_.NetArcCount && !found; ++a) {
        found = Classify(a);
    }
    LabelSource = source;
    LabelTarget = target;
    KilterAmount = amount;
    mustRise_ = rise;
    return found;
}

bool PlainOutOfKilter::TakeStartingPotential(std::int32_t node) {
    double& potential = PotentialTable.At(node);
    const double distance = DistanceTable.At(node);
    if (potential == 0.0 && distance != 0.0) {
        potential = -distance;
        return true;
    }
    return false;
}

void PlainOutOfKilter::LabelSearch() {
    t_.RelaxationState = kKilterNoSearch;
    for (LabelRecord& label : LabelTable) {
        label = LabelRecord{LargeInt, LargeInt, 0};
    }
    LabelTable.At(LabelSource).pred = 0;
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

bool PlainOutOfKilter::LabelAround(Mode mode, std::int32_t node) {
    const bool forward = mode == kForwardFromSource || mode == kForwardFromList;
    for (ScanArc = 0; ScanArc < t_.NetArcCount; ++ScanArc) {
        const NetArcRecord& arc = t_.NetArcTable.At(ScanArc);
        const bool atSource = mode == kForwardFromSource || mode == kBackwardIntoSource;
        if ((forward ? arc.from : arc.to) != node || (atSource && ScanArc == CurrentArc)) {
            continue;
        }
        LabelAcross(mode);
        if (t_.RelaxationState == kKilterAugmented) {
            return true;
        }
    }
    return false;
}

bool PlainOutOfKilter::LabelFromList(Mode mode, std::int32_t& listPos) {
    for (; listPos < LabelListCount; ++listPos) {
        if (LabelAround(mode, LabelList.At(listPos) - 1)) {
            return true;
        }
    }
    return false;
}

void PlainOutOfKilter::LabelAcross(Mode mode) {
    t_.RelaxationState = kKilterNoSearch;
    const NetArcRecord& arc = t_.NetArcTable.At(ScanArc);
    const double rc = arc.reducedCost;
    const bool forward = mode == kForwardFromSource || mode == kForwardFromList;
    const std::int32_t known = forward ? arc.from : arc.to;
    const std::int32_t fresh = forward ? arc.to : arc.from;
    if (Labelled(fresh)) {
        return;
    }
    std::int64_t amount = 0;
    if (forward) {
        if (rc <= 0 && arc.flowMinusUpper < 0) {
            amount = -arc.flowMinusUpper;
        } else if (rc >= 0 && arc.flowMinusLower < 0) {
            amount = -arc.flowMinusLower;
        } else {
            return;
        }
    } else {
        if (rc >= 0 && arc.flowMinusLower > 0) {
            amount = arc.flowMinusLower;
        } else if (rc <= 0 && arc.flowMinusUpper > 0) {
            amount = arc.flowMinusUpper;
        } else {
            return;
        }
    }
    LabelRecord& label = LabelTable.At(fresh);
    label.pred = known + 1;
    label.reach = std::min(LabelTable.At(known).reach, amount);
    label.arc = forward ? ScanArc + 1 : -(ScanArc + 1);
    if (fresh == LabelTarget) {
        Augment();
        t_.RelaxationState = kKilterAugmented;
    } else {
        LabelList.At(LabelListCount) = fresh + 1;
        ++LabelListCount;
    }
}

void PlainOutOfKilter::Augment() {
    LabelRecord& target = LabelTable.At(LabelTarget);
    const std::int64_t delta = std::min(target.reach, KilterAmount);
    target.reach = delta;
    for (std::int32_t v = LabelTarget; v != LabelSource;) {
        const LabelRecord& label = LabelTable.At(v);
        NetArcRecord& arc = t_.NetArcTable.At((label.arc > 0 ? label.arc : -label.arc) - 1);
        const std::int64_t change = label.arc > 0 ? delta : -delta;
        arc.flow += change;
        arc.flowMinusUpper += change;
        arc.flowMinusLower += change;
        v = label.pred - 1;
    }
    NetArcRecord& examined = t_.NetArcTable.At(CurrentArc);
    const std::int64_t change = mustRise_ ? delta : -delta;
    examined.flow += change;
    examined.flowMinusUpper += change;
    examined.flowMinusLower += change;
}

void PlainOutOfKilter::ChangePotentials() {
    double delta = LargestDouble;
    bool candidates = false;
    for (std::int32_t a = 0; a < t_.NetArcCount; ++a) {
        const NetArcRecord& arc = t_.NetArcTable.At(a);
        const bool fromLabelled = Labelled(arc.from);
        const bool toLabelled = Labelled(arc.to);
        const double rc = arc.reducedCost;
        double candidate = 0.0;
        if (!fromLabelled && toLabelled && rc < 0 && arc.flowMinusLower >= 0) {
            candidate = -rc;
        } else if (fromLabelled && !toLabelled && rc > 0 && arc.flowMinusUpper <= 0) {
            candidate = rc;
        } else {
            continue;
        }
        candidates = true;
        if (candidate < delta) {
            delta = candidate;
        }
    }
    if (!candidates) {
        t_.RelaxationState = kKilterInfeasible;
        return;
    }
    for (std::int32_t n = 0; n < t_.NetNodeCount; ++n) {
        if (Labelled(n)) {
            double& potential = PotentialTable.At(n);
            potential += delta;
            DistanceTable.At(n) = -potential;
        }
    }
    t_.RelaxationState = kKilterPotentialsChanged;
}

}  // namespace kova
