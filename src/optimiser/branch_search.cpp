#include "optimiser/branch_search.h"

#include <algorithm>
#include <cmath>

#include "optimiser/solution_report.h"
#include "text/date_time.h"
#include "text/number_text.h"
#include "text/system_texts.h"

namespace kova {
namespace {

constexpr std::int32_t kBranchStep = 100;
// Branching: candidates tried per branch, pivots per trial, and the trials
// an arc needs on each side before its record alone is trusted.
constexpr std::size_t kTrialCandidates = 8;
constexpr std::int64_t kTrialPivots = 200;
constexpr std::int32_t kReliable = 4;
// An arc whose own envelope is exact at the flow is narrowed by a branch's
// prices only when this share of its range is left at most: every kept
// range costs memory and set-up work in each branch below.
constexpr double kWorthNarrowing = 0.5;
// Ranges kept for the branches below, at most, on average per record and per
// arc: with a record's 88 B, 100 B per record and under 300 B per arc.
constexpr std::size_t kKeptPerRecord = 1;
constexpr std::size_t kKeptPerArc = 24;
// A branch record with its heap entry and kept-range index, for the memory
// the list may take before the search turns depth first.
constexpr std::int64_t kRecordBytes = 88;
// Solves of the root over its narrowed ranges, at most.
constexpr std::int32_t kRootRounds = 8;

}  // namespace

void BranchSearch::StartSearch() {
    t_.BranchCapacity = kBranchStep;
    t_.BranchList.SetSize(Index(t_.BranchCapacity));
    IncumbentCost = LargestDouble;
    methods_.selector->StartSearch();
    freePairs_.clear();
    for (auto& side : pseudoCost_) {
        side.assign(Index(t_.ArcCount), PseudoCost{});
    }
    averageCost_[0] = averageCost_[1] = PseudoCost{};
    t_.BranchList[0] = BranchRecord{};
    for (BranchRecord& record : t_.BranchList) {
        record.status = kBranchFree;
    }
    setUp_.Start();
    FindCostStep();
    if (methods_.refined) {
        setUp_.TightenRanges();
    }
    setUp_.SetUpRoot();
}

SearchEnd BranchSearch::RunSearch(std::string& runList, std::string& solution) {
    StartSearch();
    // A child of the record branched last, branched next while it may still
    // hold a better solution: consecutive subproblems then differ in an arc
    // or two, which keeps the warm-started solves short.
    std::int32_t plunge = -1;
    while (true) {
        std::int32_t recordsInUse = 0;
        const bool selected = methods_.selector->SelectBranch(t_, SelectedBranch, recordsInUse);
        if (recordsInUse == 0) {
            BranchToSolve = 0;
            result_ = methods_.relaxation->SolveRelaxation();
            if (methods_.refined && result_.HasFlow()) {
                if (IncumbentCost > result_.trueTotal) {
                    TakeIncumbent();
                    ShowIncumbent();
                }
                if (!Closes(result_.relaxedTotal) &&
                    methods_.relaxation->FindIncumbent(IncumbentCost)) {
                    ++t_.IncumbentUpdates;
                    ShowIncumbent();
                }
                if (!Closes(result_.relaxedTotal)) {
                    const double before = IncumbentCost;
                    const bool changed = methods_.relaxation->StrengthenBound(IncumbentCost);
                    if (IncumbentCost < before) {
                        ++t_.IncumbentUpdates;
                    }
                    if (changed) {
                        result_ = methods_.relaxation->SolveRelaxation();
                    }
                    // The priced flow is another start for the search for flows.
                    if (methods_.relaxation->BranchFlowsArePoor() && result_.HasFlow() &&
                        !Closes(result_.relaxedTotal) &&
                        methods_.relaxation->FindIncumbent(IncumbentCost)) {
                        ++t_.IncumbentUpdates;
                    }
                }
                NarrowRoot();
            }
            ComputeLift();
            BranchOrClose();
            if (result_.Stopped()) {
                return End(SearchEnd::StoppedAtRoot, runList, solution);
            }
            if (!result_.HasFlow()) {
                return End(SearchEnd::NoSolutionAtRoot, runList, solution);
            }
            if (IncumbentCost > result_.trueTotal) {
                TakeIncumbent();
            }
            if (t_.IncumbentUpdates > 0) {
                ShowIncumbent();
            }
            rootBound_ = result_.relaxedTotal;
            NarrowByRootPrices();
            if (Closes(t_.BranchList[0].bound)) {
                return End(SearchEnd::OptimalAtRoot, runList, solution);
            }
            continue;
        }
        // The search ends at a selection: nothing open, or the best open
        // bound within the tolerance of the incumbent.
        if (!selected) {
            return End(
                t_.IncumbentUpdates > 0 ? SearchEnd::Exhausted : SearchEnd::ExhaustedNoSolution,
                runList, solution);
        }
        if (Closes(t_.BranchList.At(SelectedBranch).bound)) {
            if (!methods_.selector->DepthFirst()) {
                return End(SearchEnd::OptimalInBranch, runList, solution);
            }
            // Not the smallest bound: this record alone has nothing to gain.
            t_.BranchList.At(SelectedBranch).status = kBranchClosed;
            Retire(SelectedBranch);
            plunge = -1;
            continue;
        }
        if (methods_.refined && plunge >= 0 && t_.BranchList.At(plunge).status == kBranchOpen &&
            !Closes(t_.BranchList.At(plunge).bound)) {
            SelectedBranch = plunge;
        }
        if (SelectedBranch == keptRecord_) {
            methods_.relaxation->ReturnToKept();
        }
        keptRecord_ = -1;
        t_.BranchList.At(SelectedBranch).status = kBranchBranched;
        branchingBound_ = t_.BranchList.At(SelectedBranch).bound;
        for (int child = 0; child < 2; ++child) {
            const BranchRecord& parent = t_.BranchList.At(SelectedBranch);
            BranchToSolve = child == 0 ? parent.firstChild : parent.secondChild;
            const BranchRecord& record = t_.BranchList.At(BranchToSolve);
            if (record.rangeLow > record.rangeHigh || CannotImprove(record)) {
                SolveEmptyChild();
            } else {
                if (setUp_.SetUpBranch(BranchToSolve, SelectedBranch)) {
                    Solve();
                    if (child == 0 && methods_.refined && result_.HasFlow()) {
                        methods_.relaxation->KeepSolve();
                        keptRecord_ = BranchToSolve;
                    }
                } else {
                    SolveEmptyChild();
                }
                if (result_.Stopped()) {
                    return End(SearchEnd::StoppedInBranch, runList, solution);
                }
            }
            LearnFromChild(BranchToSolve);
            ++t_.BranchesSolved;
            monitor_.SetField(LiveField::Branches, IntegerText(t_.BranchesSolved));
            if (result_.HasFlow() && IncumbentCost >= result_.trueTotal) {
                if (!methods_.refined) {
                    monitor_.SetField(LiveField::Gap,
                                      NumberText(result_.trueTotal - result_.relaxedTotal));
                }
                const bool better = result_.trueTotal < IncumbentCost;
                IncumbentCost = result_.trueTotal;
                ++t_.IncumbentUpdates;
                monitor_.SetField(LiveField::BestTotal, NumberText(result_.trueTotal));
                if (better) {
                    NarrowByRootPrices();
                }
                std::copy(t_.SolutionTable.begin(), t_.SolutionTable.end(),
                          t_.BestSolutionTable.begin());
            }
        }
        branchingBound_ = LargestDouble;
        if (methods_.refined && t_.IncumbentUpdates > 0) {
            ShowGap();
        }
        const BranchRecord& branched = t_.BranchList.At(SelectedBranch);
        const BranchRecord& low = t_.BranchList.At(branched.firstChild);
        const BranchRecord& high = t_.BranchList.At(branched.secondChild);
        plunge = high.status == kBranchOpen && (low.status != kBranchOpen || high.bound < low.bound)
                     ? branched.secondChild
                     : branched.firstChild;
    }
}

void BranchSearch::Solve() {
    result_ = methods_.relaxation->SolveRelaxation();
    if (methods_.refined && result_.HasFlow() && !Closes(result_.relaxedTotal)) {
        methods_.relaxation->LiftBound(IncumbentCost, result_);
        ComputeLift();
        // Where branches' own flows are poor ones, the root's search for
        // flows runs again from them, within a share of the solver's work
        // that halves at each search that finds nothing better.
        if (methods_.relaxation->BranchFlowsArePoor() && !Closes(result_.relaxedTotal) &&
            static_cast<double>(searchForFlowsWork_) <=
                searchForFlowsShare_ * static_cast<double>(Work() - searchForFlowsWork_)) {
            const std::int64_t before = Work();
            if (methods_.relaxation->FindIncumbent(IncumbentCost)) {
                ++t_.IncumbentUpdates;
                ShowIncumbent();
                searchForFlowsShare_ = kSearchForFlowsShare;
            } else {
                searchForFlowsShare_ /= 2.0;
            }
            searchForFlowsWork_ += Work() - before;
        }
    }
    if (methods_.refined && result_.HasFlow() && NarrowByPrices()) {
        const std::size_t budget = static_cast<std::size_t>(t_.BranchCapacity) * kKeptPerRecord +
                                   static_cast<std::size_t>(t_.ArcCount) * kKeptPerArc;
        const std::size_t room =
            budget > setUp_.KeptRangeCount() ? budget - setUp_.KeptRangeCount() : 0;
        if (narrower_.size() > room) {
            narrower_.resize(room);
        }
        setUp_.Keep(BranchToSolve, narrower_);
    }
    BranchOrClose();
}

// Flows of an arc that this solve's prices show to cost more than the
// incumbent leave its range in this branch and below it: the envelopes
// over the narrower ranges lift the bound. True when some arc narrowed.
bool BranchSearch::NarrowByPrices() {
    narrower_.clear();
    if (tolerance_ < 0.0 || IncumbentCost >= LargestDouble) {
        return false;
    }
    const double slack = Level() - result_.relaxedTotal;
    if (slack < 0.0) {
        return false;  // closed as it is
    }
    if (result_.candidates == nullptr) {
        return false;
    }
    gapArc_.assign(Index(t_.ArcCount), 0);
    for (const BranchCandidate& candidate : *result_.candidates) {
        gapArc_[Index(candidate.arc)] = 1;
    }
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        if (t_.ArcTable.At(i).pieceCount == 1) {
            continue;
        }
        const std::int64_t lo = setUp_.BranchLow(i);
        const std::int64_t hi = setUp_.BranchHigh(i);
        std::int64_t withinLo = 0;
        std::int64_t withinHi = 0;
        if (!methods_.relaxation->RangeNowWithin(i, slack, withinLo, withinHi) ||
            (withinLo <= lo && withinHi >= hi)) {
            continue;
        }
        withinLo = std::max(withinLo, lo);
        withinHi = std::min(withinHi, hi);
        if (gapArc_[Index(i)] != 0 || static_cast<double>(withinHi - withinLo) <=
                                          kWorthNarrowing * static_cast<double>(hi - lo)) {
            narrower_.push_back(BranchSetUp::Range{i, withinLo, withinHi});
        }
    }
    branchNarrowings_ += static_cast<std::int64_t>(narrower_.size());
    return !narrower_.empty();
}

// Right after the solve whose flow result_ holds, while the relaxation
// still holds it too.
void BranchSearch::ComputeLift() {
    lift_ = 0.0;
    if (methods_.refined && result_.HasFlow() && !Closes(result_.relaxedTotal)) {
        lift_ = methods_.relaxation->GapPenalty();
    }
}

// A second child whose range starts past its end holds no flow: closed
// without set-up or solve.
void BranchSearch::SolveEmptyChild() {
    result_ = RelaxationResult{};
    lift_ = 0.0;
    BranchOrClose();
}

void BranchSearch::ShowIncumbent() {
    monitor_.SetField(LiveField::Feasibility, Texts().feasible);
    monitor_.SetField(LiveField::BestTotal, NumberText(IncumbentCost));
    if (BranchToSolve == 0) {  // the root is all there is
        monitor_.SetField(LiveField::Gap,
                          NumberText(std::max(0.0, IncumbentCost - result_.relaxedTotal)));
    } else {
        ShowGap();
    }
}

void BranchSearch::ShowGap() {
    const double bound = std::min(RoundedBound(BestOpenBound()), IncumbentCost);
    monitor_.SetField(LiveField::Gap, NumberText(IncumbentCost - bound));
}

double BranchSearch::BestOpenBound() {
    return std::min(methods_.selector->BestOpenBound(t_), branchingBound_);
}

void BranchSearch::TakeIncumbent() {
    IncumbentCost = result_.trueTotal;
    ++t_.IncumbentUpdates;
    std::copy(t_.SolutionTable.begin(), t_.SolutionTable.end(), t_.BestSolutionTable.begin());
}

// The arc whose two children are expected to raise the bound most: each
// child's rise estimated from the rises seen per unit of gap when the arc
// was branched (or, before that, any arc), the two estimates multiplied.
// The best few candidates whose own record is still thin are tried: both
// children solved warm for a few pivots and undone, their rises learnt.
// Without a list of candidates, the arc with the largest gap.
BranchSearch::BranchChoice BranchSearch::ChooseBranchArc() {
    BranchChoice best{result_.gapArcIndex, result_.gapArcFlow, 0.0, -LargestDouble, -LargestDouble};
    if (!methods_.refined || result_.candidates == nullptr || result_.candidates->empty()) {
        return best;
    }
    const auto estimate = [&](const BranchCandidate& candidate, int side) {
        const PseudoCost& own = pseudoCost_[side][Index(candidate.arc)];
        const PseudoCost& all = averageCost_[side];
        const double perGap = own.count > 0   ? own.sum / own.count
                              : all.count > 0 ? all.sum / all.count
                                              : 1.0;
        return perGap * candidate.gap;
    };
    scored_.clear();
    for (const BranchCandidate& candidate : *result_.candidates) {
        const double score =
            std::max(estimate(candidate, 0), 1e-6) * std::max(estimate(candidate, 1), 1e-6);
        scored_.emplace_back(score, candidate);
    }
    // Highest score first, lower arc first on ties.
    const auto order = [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second.arc < b.second.arc);
    };
    const std::size_t tried = std::min<std::size_t>(scored_.size(), kTrialCandidates);
    std::partial_sort(scored_.begin(), scored_.begin() + static_cast<std::ptrdiff_t>(tried),
                      scored_.end(), order);
    const double parentBound = result_.relaxedTotal;
    double bestScore = -1.0;
    for (std::size_t k = 0; k < scored_.size(); ++k) {
        const BranchCandidate& candidate = scored_[k].second;
        double score = scored_[k].first;
        double lowBound = -LargestDouble;  // unknown: no rise
        double highBound = -LargestDouble;
        const bool thin = pseudoCost_[0][Index(candidate.arc)].count < kReliable ||
                          pseudoCost_[1][Index(candidate.arc)].count < kReliable;
        if (k < tried && thin) {
            const ChildRanges ranges = RangesOfChildren(candidate.arc, candidate.flow);
            const std::int64_t limit = kTrialPivots;
            double rise[2] = {0.0, 0.0};
            bool known[2] = {false, false};
            double bound[2] = {0.0, 0.0};
            for (int side = 0; side < 2; ++side) {
                const std::int64_t lo = side == 0 ? ranges.lowFrom : ranges.highFrom;
                const std::int64_t hi = side == 0 ? ranges.lowTo : ranges.highTo;
                if (lo > hi) {
                    known[side] = true;
                    bound[side] = NoSolutionCost;
                } else {
                    known[side] =
                        methods_.relaxation->TrialBound(candidate.arc, lo, hi, limit, bound[side]);
                }
                if (known[side]) {
                    rise[side] = std::max(
                        0.0,
                        std::min(bound[side], parentBound + 1e9 * std::max(1.0, candidate.gap)) -
                            parentBound);
                    if (bound[side] < NoSolutionCost) {
                        Learn(side, candidate.arc, rise[side] / candidate.gap);
                    }
                }
            }
            if (known[0] && known[1]) {
                score = std::max(rise[0], 1e-6) * std::max(rise[1], 1e-6);
                lowBound = bound[0];
                highBound = bound[1];
            }
        }
        if (score > bestScore) {
            bestScore = score;
            best = BranchChoice{candidate.arc, candidate.flow, candidate.gap, lowBound, highBound};
        }
    }
    return best;
}

// With integer flows, costs that are all multiples of a step give totals
// that are too: a region whose bound lies above the last multiple below the
// incumbent (less the tolerance) holds nothing better. Totals must stay
// exact in a double, and the margin for the rounding of the bounds well
// below the step.
void BranchSearch::FindCostStep() {
    costStep_ = 0.0;
    if (!methods_.refined || tolerance_ < 0.0) {
        return;
    }
    constexpr double kSteps[] = {1.0, 0.5, 0.25, 0.2, 0.1, 0.05, 0.02, 0.01};
    for (const double step : kSteps) {
        const auto onGrid = [step](double cost) {
            const double units = cost / step;
            return std::fabs(units - std::nearbyint(units)) <=
                   1e-9 * std::max(1.0, std::fabs(units));
        };
        double largest = 0.0;  // total, at most
        bool fits = true;
        PieceCursor cursor(t_.PieceTable.data());
        for (const ArcRecord& arc : t_.ArcTable) {
            const PieceRecord* pieces = cursor.Take(arc);
            // Largest |flow| plus the range's length: bounds every
            // difference and every flow a cost is multiplied by.
            const double end = static_cast<double>(RangeEnd(arc, pieces));
            const double range =
                std::max(std::fabs(end), std::fabs(static_cast<double>(arc.lower))) + end -
                static_cast<double>(arc.lower);
            fits = fits && onGrid(arc.baseCost) && onGrid(arc.unitCost);
            largest += std::fabs(arc.baseCost) + std::fabs(arc.unitCost) * range;
            for (std::int32_t k = 0; fits && k < arc.pieceCount - 1; ++k) {
                fits = onGrid(pieces[k].baseCost) && onGrid(pieces[k].unitCost);
                largest += std::fabs(pieces[k].baseCost) + std::fabs(pieces[k].unitCost) * range;
            }
            if (!fits) {
                break;
            }
        }
        if (fits) {
            costScale_ = largest;
            if (largest / step < 1e14) {
                costStep_ = step;
            }
            // The margin must stay well below the step.
            if (costStep_ > 0.0 && 1e-12 * largest > costStep_ / 4) {
                costStep_ = 0.0;
            }
            return;
        }
    }
}

// The bounds' rounding grows with the size of the costs they add up, not
// only with the incumbent's.
double BranchSearch::Margin() const {
    if (costStep_ <= 0.0) {
        return 1e-6 * std::max(1.0, std::fabs(IncumbentCost));
    }
    return std::max(1e-9 * std::max(1.0, std::fabs(IncumbentCost)), 1e-12 * costScale_);
}

double BranchSearch::Level() const {
    const double plain = IncumbentCost - tolerance_ + Margin();
    if (costStep_ <= 0.0 || IncumbentCost >= LargestDouble) {
        return plain;
    }
    const double units = (IncumbentCost - tolerance_) / costStep_;
    const double below =
        (std::ceil(units - 1e-9 * std::max(1.0, std::fabs(units))) - 1.0) * costStep_;
    return std::min(plain, below + Margin());
}

bool BranchSearch::Closes(double bound) const {
    if (costStep_ > 0.0 && IncumbentCost < LargestDouble && bound > Level()) {
        return true;
    }
    return IncumbentCost - bound <= tolerance_;
}

double BranchSearch::RoundedBound(double bound) const {
    if (costStep_ <= 0.0 || !(bound < LargestDouble) || bound <= -LargestDouble) {
        return bound;
    }
    return std::ceil((bound - Margin()) / costStep_) * costStep_;
}

bool BranchSearch::CannotImprove(const BranchRecord& child) const {
    return methods_.refined && tolerance_ >= 0.0 && child.bound > Level();
}

// Flows of an arc that the root's prices show to cost more than the
// incumbent (less the tolerance) leave its range for the rest of the search.
void BranchSearch::NarrowByRootPrices() {
    if (!methods_.refined || tolerance_ < 0.0 || IncumbentCost >= LargestDouble) {
        return;
    }
    // A little room for the rounding of the prices.
    const double slack = Level() - rootBound_;
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        if (t_.ArcTable.At(i).pieceCount == 1) {
            continue;  // a linear arc's envelope is its cost: nothing to gain
        }
        std::int64_t lo = 0;
        std::int64_t hi = 0;
        if (methods_.relaxation->RangeWithin(i, slack, lo, hi)) {
            narrowings_ += setUp_.Restrict(i, lo, hi) ? 1 : 0;
        }
    }
}

// The root solved again over the ranges its prices narrowed, while they
// narrow: each solve's prices see further than the last.
void BranchSearch::NarrowRoot() {
    for (std::int32_t round = 0;
         round < kRootRounds && result_.HasFlow() && !Closes(result_.relaxedTotal); ++round) {
        rootBound_ = result_.relaxedTotal;
        const std::int64_t before = narrowings_;
        NarrowByRootPrices();
        if (narrowings_ == before) {
            return;
        }
        setUp_.SetUpRoot();
        methods_.relaxation->ForgetRoot();
        result_ = methods_.relaxation->SolveRelaxation();
        if (result_.HasFlow() && IncumbentCost > result_.trueTotal) {
            TakeIncumbent();
        }
    }
}

// What branching on the parent's arc did to this child's bound.
void BranchSearch::LearnFromChild(std::int32_t child) {
    const BranchRecord& record = t_.BranchList.At(child);
    const BranchRecord& parent = t_.BranchList.At(record.parent);
    if (!result_.HasFlow() || parent.branchArc < 0 || !(parent.branchGap > 0.0)) {
        return;
    }
    const int side = child == parent.firstChild ? 0 : 1;
    Learn(side, parent.branchArc, std::max(0.0, record.bound - parent.bound) / parent.branchGap);
}

void BranchSearch::Learn(int side, std::int32_t arc, double perGap) {
    PseudoCost& own = pseudoCost_[side][Index(arc)];
    own.sum += perGap;
    ++own.count;
    averageCost_[side].sum += perGap;
    ++averageCost_[side].count;
}

void BranchSearch::BranchOrClose() {
    CloseOrCreateChildren();
    methods_.selector->RecordSolved(BranchToSolve, t_.BranchList.At(BranchToSolve));
    if (methods_.refined && t_.BranchList.At(BranchToSolve).status == kBranchClosed) {
        Retire(BranchToSolve);
    }
}

// A closed record whose sibling is closed too frees their pair of records
// for new children, and closes their parent in turn: the list then holds
// only the open records and the paths to them, however long the search.
void BranchSearch::Retire(std::int32_t record) {
    while (record != 0) {
        const std::int32_t parentIndex = t_.BranchList.At(record).parent;
        BranchRecord& parent = t_.BranchList.At(parentIndex);
        const std::int32_t sibling =
            record == parent.firstChild ? parent.secondChild : parent.firstChild;
        if (t_.BranchList.At(sibling).status != kBranchClosed || parent.status != kBranchBranched) {
            return;
        }
        t_.BranchList.At(parent.firstChild).status = kBranchFree;
        t_.BranchList.At(parent.secondChild).status = kBranchFree;
        setUp_.Forget(parent.firstChild);
        setUp_.Forget(parent.secondChild);
        freePairs_.push_back(parent.firstChild);
        parent.status = kBranchClosed;
        record = parentIndex;
    }
}

BranchSearch::ChildRanges BranchSearch::RangesOfChildren(std::int32_t arcIndex, std::int64_t flow) {
    // The work tables drop pieces a branch's ranges leave empty: count afresh.
    const std::int32_t first = t_.FirstWorkPieceOf(arcIndex);
    const ArcRecord& arc = t_.WorkArcTable.At(arcIndex);
    const PieceRecord* pieces = t_.WorkPieceTable.data() + first;
    const std::int64_t rangeEnd =
        arc.pieceCount == 1 ? arc.upper : pieces[arc.pieceCount - 2].upper;
    // The breakpoints around the flow's piece; a flow on a breakpoint
    // belongs to the piece that ends there.
    std::int64_t below = arc.lower - 1;
    std::int64_t above = arc.upper;
    for (std::int32_t k = 0; above < flow && k < arc.pieceCount - 1; ++k) {
        below = above;
        above = pieces[k].upper;
    }
    // Either breakpoint leaves the flow in one child, and that child's
    // envelope is what comes nearer its cost: the nearer it comes, the
    // more of the gap the branch closes. Splitting at the lower one always
    // left the flow over the rest of the range, about twice the branches
    // on concave costs.
    std::int64_t split = above;
    if (below >= arc.lower &&
        (above >= rangeEnd || GapLeft(arcIndex, below + 1, rangeEnd, flow) <
                                  GapLeft(arcIndex, arc.lower, above, flow))) {
        split = below;
    }
    return ChildRanges{arc.lower, split, split + 1, rangeEnd};
}

double BranchSearch::GapLeft(std::int32_t arcIndex, std::int64_t lo, std::int64_t hi,
                             std::int64_t flow) {
    const ArcRecord& arc = t_.WorkArcTable.At(arcIndex);
    splitPieces_.resize(static_cast<std::size_t>(arc.pieceCount));
    BranchSetUp::Narrowed(arc, t_.WorkPieceTable.data() + t_.FirstWorkPieceOf(arcIndex), lo, hi,
                          splitArc_, splitPieces_.data());
    BuildEnvelope(splitArc_, splitPieces_.data(), splitEnvelope_);
    return TrueArcCost(splitArc_, splitPieces_.data(), flow, false) -
           EnvelopeValue(splitEnvelope_, splitArc_.lower, flow);
}

void BranchSearch::CloseOrCreateChildren() {
    BranchRecord* record = &t_.BranchList.At(BranchToSolve);
    if (!result_.HasFlow()) {
        record->bound = NoSolutionCost;
        record->status = kBranchClosed;
        setUp_.Forget(BranchToSolve);
        return;
    }
    // A child's prices may differ from its parent's, and its own solve may
    // then bound it lower than the parent did: the higher bound holds. The
    // lift counts in the record's bound only: the narrowing by this solve's
    // prices spends the same reduced costs.
    const bool child = BranchToSolve != 0;
    record->bound = child && methods_.refined
                        ? std::max(record->bound, result_.relaxedTotal + lift_)
                        : result_.relaxedTotal + lift_;
    record->status = kBranchOpen;
    if (result_.relaxedTotal > IncumbentCost || CannotImprove(*record)) {
        record->status = kBranchClosed;
        setUp_.Forget(BranchToSolve);
        return;
    }
    const BranchChoice choice = ChooseBranchArc();
    const std::int32_t arcIndex = choice.arc;
    if (arcIndex < 0) {
        record->status = kBranchClosed;
        return;
    }
    const ArcRecord& arc = t_.WorkArcTable.At(arcIndex);
    const ChildRanges ranges = RangesOfChildren(arcIndex, choice.flow);
    record->branchFrom = arc.from;
    record->branchTo = arc.to;
    record->branchArc = arcIndex;
    record->branchGap = choice.gap;

    std::int32_t free = 0;
    if (!freePairs_.empty()) {
        free = freePairs_.back();
        freePairs_.pop_back();
    } else {
        free = methods_.selector->FirstFreeRecord(t_);
    }
    if (methods_.refined && !methods_.selector->DepthFirst() &&
        (free >= t_.BranchCapacity - 3 ? t_.BranchCapacity : 0) +
                setUp_.KeptBytes() / kRecordBytes >=
            RecordLimit) {
        methods_.selector->StartDepthFirst(t_);
    }
    if (free >= t_.BranchCapacity - 3) {
        const std::size_t old = Index(t_.BranchCapacity);
        t_.BranchCapacity += kBranchStep;
        // The storage grows by half of itself, so a long search copies each
        // record a few times only; the list still counts in steps of 100.
        t_.BranchList.SetSize(Index(t_.BranchCapacity),
                              std::max<std::size_t>(1024, t_.BranchList.capacity() / 2));
        for (std::size_t i = old; i < t_.BranchList.size(); ++i) {
            t_.BranchList[i].status = kBranchFree;
        }
        record = &t_.BranchList.At(BranchToSolve);  // the storage may have moved
    }
    record->firstChild = free;
    record->secondChild = free + 1;
    setUp_.Forget(free);
    setUp_.Forget(free + 1);
    const std::int32_t parentIndex = BranchToSolve;
    BranchRecord& low = t_.BranchList.At(free);
    low.parent = parentIndex;
    low.rangeLow = ranges.lowFrom;
    low.rangeHigh = ranges.lowTo;
    low.status = kBranchCreated;
    BranchRecord& high = t_.BranchList.At(free + 1);
    high.parent = parentIndex;
    high.rangeLow = ranges.highFrom;
    high.rangeHigh = ranges.highTo;
    high.status = kBranchCreated;
    // What each child must at least cost, from this solve's prices; a child
    // that cannot beat the incumbent is then closed without a solve.
    const double bound = record->bound;
    low.bound = high.bound = bound;
    if (methods_.refined) {
        // The rises are reckoned from this solve's own total.
        const double own = result_.relaxedTotal;
        low.bound = std::max(
            {bound, own + methods_.relaxation->RiseToRange(arcIndex, low.rangeLow, low.rangeHigh),
             choice.lowBound});
        high.bound = std::max(
            {bound, own + methods_.relaxation->RiseToRange(arcIndex, high.rangeLow, high.rangeHigh),
             choice.highBound});
    }
    methods_.selector->ChildrenCreated(free);
}

SearchEnd BranchSearch::End(SearchEnd end, std::string& runList, std::string& solution) {
    const SystemTexts& texts = Texts();
    const bool exhausted = end == SearchEnd::Exhausted || end == SearchEnd::ExhaustedNoSolution;
    const bool branchLine = exhausted || end == SearchEnd::OptimalInBranch;
    const bool report = end != SearchEnd::NoSolutionAtRoot;
    const bool stopped = end == SearchEnd::StoppedAtRoot || end == SearchEnd::StoppedInBranch;
    const std::string* message = &texts.endOptimal;
    const std::string* runListText = &texts.endOptimal;
    if (end == SearchEnd::NoSolutionAtRoot || end == SearchEnd::ExhaustedNoSolution) {
        message = runListText = &texts.endNoSolution;
    } else if (stopped) {
        message = &texts.endStopped;
        runListText = &texts.endStoppedRunList;
    }
    finalBound_ = NoSolutionCost;
    if (end == SearchEnd::OptimalAtRoot) {
        finalBound_ = std::min(IncumbentCost, RoundedBound(t_.BranchList[0].bound));
    } else if (end == SearchEnd::Exhausted) {
        finalBound_ = IncumbentCost;
    } else if (end == SearchEnd::OptimalInBranch ||
               (end == SearchEnd::StoppedInBranch && t_.IncumbentUpdates > 0)) {
        finalBound_ = std::min(IncumbentCost, RoundedBound(BestOpenBound()));
    }
    t_.RunEndTime = monitor_.Now();
    monitor_.ShowMessage(*message, MessageIcon::Information);
    runList += *runListText;
    runList += "   ";
    runList += DateTimeText(t_.RunEndTime);
    runList += "\r\n";
    if (branchLine) {
        runList += texts.branchesLabel;
        runList += IntegerText(t_.BranchesSolved);
        runList += "\r\n";
    }
    if (stopped && t_.IncumbentUpdates == 0) {
        solution = texts.solutionBanner + texts.noSolutionBeforeStop;
    } else if (report) {
        solution = WriteSolutionTable(t_, IncumbentCost);
    }
    return end;
}

}  // namespace kova
