#include "optimiser/branch_setup.h"

#include <algorithm>

namespace kova {
namespace {


}  // namespace

void BranchSetUp::Start() {
    propagate_ = false;
    keptFirst_.clear();
    keptCount_.clear();
    keptPool_.clear();
    keptLive_ = 0;
    const auto arcs = Index(t_.ArcCount);
    parsedLow_.resize(arcs);
    parsedHigh_.resize(arcs);
    onPath_.assign(arcs, 0);
    PieceCursor cursor(t_.PieceTable.data());
    for (std::size_t a = 0; a < arcs; ++a) {
        const ArcRecord& arc = t_.ArcTable[a];
        parsedLow_[a] = arc.lower;
        parsedHigh_[a] = RangeEnd(arc, cursor.Take(arc));
    }
    low_ = parsedLow_;
    high_ = parsedHigh_;
    searchSums_ = false;
    narrowed_.clear();
}

bool BranchSetUp::Restrict(std::int32_t arc, std::int64_t lo, std::int64_t hi) {
    const auto a = Index(arc);
    if (lo <= low_[a] && hi >= high_[a]) {
        return false;
    }
    low_[a] = std::max(low_[a], lo);
    high_[a] = std::min(high_[a], hi);
    searchSums_ = false;
    const auto at = std::lower_bound(narrowed_.begin(), narrowed_.end(), arc);
    if (at == narrowed_.end() || *at != arc) {
        narrowed_.insert(at, arc);
    }
    return true;
}

bool BranchSetUp::SetUpBranch(std::int32_t branchToSolve, std::int32_t selectedBranch) {
    // The ranges on the path to the root, each ancestor's branch and what
    // its prices narrowed below it, intersected with the search's own.
    branchLow_ = low_;
    branchHigh_ = high_;
    seeds_.clear();
    const auto narrow = [&](std::int32_t arc, std::int64_t lo, std::int64_t hi) {
        const auto a = Index(arc);
        branchLow_[a] = std::max(branchLow_[a], lo);
        branchHigh_[a] = std::min(branchHigh_[a], hi);
        if (onPath_[a] == 0) {
            onPath_[a] = 1;
            seeds_.push_back(arc);
        }
    };
    std::int32_t node = branchToSolve;
    std::int32_t ancestor = selectedBranch;
    while (true) {
        const BranchRecord& parent = t_.BranchList.At(ancestor);
        const BranchRecord& child = t_.BranchList.At(node);
        const std::int32_t arc = parent.branchArc;
        if (arc >= 0 && arc < t_.ArcCount) {
            narrow(arc, child.rangeLow, child.rangeHigh);
        }
        if (Index(ancestor) < keptCount_.size()) {
            const std::uint32_t first = keptFirst_[Index(ancestor)];
            for (std::uint32_t k = 0; k < keptCount_[Index(ancestor)]; ++k) {
                const KeptRange& kept = keptPool_[first + k];
                narrow(kept.arc, kept.lo, kept.hi);
            }
        }
        if (ancestor == 0) {
            break;
        }
        node = ancestor;
        ancestor = parent.parent;
    }
    bool feasible = true;
    for (const std::int32_t arc : seeds_) {
        feasible = feasible && branchLow_[Index(arc)] <= branchHigh_[Index(arc)];
    }
    // What the branch's ranges leave the other arcs.
    if (!feasible || (propagate_ && !Propagate(branchLow_, branchHigh_, seeds_))) {
        for (const std::int32_t arc : seeds_) {
            onPath_[Index(arc)] = 0;
        }
        return false;
    }
    // Arcs on the path are narrowed even to their whole range: that drops
    // pieces the range leaves empty, as the branch meant.
    ranges_.clear();
    for (std::int32_t a = 0; a < t_.ArcCount; ++a) {
        if (branchLow_[Index(a)] != parsedLow_[Index(a)] || branchHigh_[Index(a)] != parsedHigh_[Index(a)] ||
            onPath_[Index(a)] != 0) {
            ranges_.push_back(Range{a, branchLow_[Index(a)], branchHigh_[Index(a)]});
            onPath_[Index(a)] = 0;
        }
    }
    Rebuild();
    return true;
}

void BranchSetUp::Keep(std::int32_t record, const std::vector<Range>& narrower) {
    Forget(record);
    if (narrower.empty()) {
        return;
    }
    if (keptCount_.size() <= Index(record)) {
        keptFirst_.resize(Index(record) + 1, 0);
        keptCount_.resize(Index(record) + 1, 0);
    }
    // Forgotten blocks leave holes; a full pool is packed again, rather
    // than grown, when they make up a third of it.
    if (keptPool_.size() + narrower.size() > keptPool_.capacity() &&
        keptPool_.size() > keptLive_ + keptLive_ / 2 + 4096) {
        std::vector<KeptRange> packed;
        packed.reserve(keptPool_.capacity());
        for (std::size_t r = 0; r < keptCount_.size(); ++r) {
            const std::uint32_t first = keptFirst_[r];
            keptFirst_[r] = static_cast<std::uint32_t>(packed.size());
            packed.insert(packed.end(), keptPool_.begin() + first,
                          keptPool_.begin() + first + keptCount_[r]);
        }
        keptPool_.swap(packed);
    }
    keptFirst_[Index(record)] = static_cast<std::uint32_t>(keptPool_.size());
    keptCount_[Index(record)] = static_cast<std::uint32_t>(narrower.size());
    keptLive_ += narrower.size();
    for (const Range& range : narrower) {
        keptPool_.push_back(KeptRange{range.arc, static_cast<std::int32_t>(range.lo),
                                      static_cast<std::int32_t>(range.hi)});
    }
}

void BranchSetUp::Forget(std::int32_t record) {
    if (Index(record) < keptCount_.size()) {
        keptLive_ -= keptCount_[Index(record)];
        keptCount_[Index(record)] = 0;
    }
}

void BranchSetUp::SetUpRoot() {
    ranges_.clear();
    for (const std::int32_t arc : narrowed_) {
        ranges_.push_back(Range{arc, low_[Index(arc)], high_[Index(arc)]});
    }
    Rebuild();
}

// One pass over the parsed tables, narrowing the arcs in ranges_.
void BranchSetUp::Rebuild() {
    std::copy(t_.ArcTable.begin(), t_.ArcTable.end(), t_.WorkArcTable.begin());
    std::int32_t in = 0;
    std::int32_t out = 0;
    std::size_t next = 0;
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        const ArcRecord& arc = t_.ArcTable.At(i);
        const std::int32_t extra = arc.pieceCount - 1;
        if (next < ranges_.size() && ranges_[next].arc == i) {
            out += Narrowed(arc, t_.PieceTable.data() + in, ranges_[next].lo, ranges_[next].hi,
                            t_.WorkArcTable.At(i), t_.WorkPieceTable.data() + out);
            ++next;
        } else {
            std::copy(t_.PieceTable.data() + in, t_.PieceTable.data() + in + extra,
                      t_.WorkPieceTable.data() + out);
            out += extra;
        }
        in += extra;
    }
    t_.WorkPieceCount = out;
}

std::int32_t BranchSetUp::Narrowed(const ArcRecord& arc, const PieceRecord* extra, std::int64_t lo,
                                   std::int64_t hi, ArcRecord& out, PieceRecord* pieces) {
    // Pieces 1..p as (start, end, base, unit); piece 1 holds lower..e(1),
    // piece k >= 2 holds e(k-1)+1..e(k).
    const auto holding = [&](std::int64_t flow) {
        if (flow <= arc.upper) {
            return 0;
        }
        for (std::int32_t k = 0; k < arc.pieceCount - 1; ++k) {
            if (flow <= extra[k].upper) {
                return k + 1;
            }
        }
        return arc.pieceCount - 1;  // ranges come from breakpoints; never past the end
    };
    const std::int32_t low = holding(lo);
    const std::int32_t high = std::max(holding(hi), low);
    const std::int64_t start = low == 0   ? arc.lower
                               : low == 1 ? arc.upper
                                          : std::int64_t{extra[low - 2].upper};
    const double base = low == 0 ? arc.baseCost : extra[low - 1].baseCost;
    const double unit = low == 0 ? arc.unitCost : extra[low - 1].unitCost;
    const std::int32_t end = low == 0 ? arc.upper : extra[low - 1].upper;

    out = arc;
    out.lower = static_cast<std::int32_t>(lo);
    out.unitCost = unit;
    out.upper = end;
    out.baseCost = lo == start ? base : base + unit * static_cast<double>(lo - start);
    const std::int32_t kept = high - low;
    for (std::int32_t k = 0; k < kept; ++k) {
        pieces[k] = extra[low + k];
    }
    out.pieceCount = kept + 1;
    // A range that ends inside a piece cuts it there.
    if (kept == 0) {
        out.upper = static_cast<std::int32_t>(std::min<std::int64_t>(out.upper, hi));
    } else {
        pieces[kept - 1].upper =
            static_cast<std::int32_t>(std::min<std::int64_t>(pieces[kept - 1].upper, hi));
    }
    return kept;
}

void BranchSetUp::TightenRanges() {
    const auto nodes = Index(t_.NodeCount);
    nodeStart_.assign(nodes + 1, 0);
    for (const ArcRecord& arc : t_.ArcTable) {
        if (arc.from != arc.to) {
            ++nodeStart_[Index(arc.from) + 1];
            ++nodeStart_[Index(arc.to) + 1];
        }
    }
    for (std::size_t v = 0; v < nodes; ++v) {
        nodeStart_[v + 1] += nodeStart_[v];
    }
    nodeArcs_.resize(Index(nodeStart_[nodes]));
    std::vector<std::int32_t> fill(nodeStart_.begin(), nodeStart_.end() - 1);
    for (std::int32_t a = 0; a < t_.ArcCount; ++a) {
        const ArcRecord& arc = t_.ArcTable.At(a);
        if (arc.from != arc.to) {
            nodeArcs_[Index(fill[Index(arc.from)]++)] = a;
            nodeArcs_[Index(fill[Index(arc.to)]++)] = a;
        }
    }
    queued_.assign(nodes, 0);
    propagate_ = true;

    std::vector<std::int64_t> low = low_, high = high_;
    if (!Propagate(low, high, {})) {
        return;  // no circulation: the root solve says so
    }
    for (std::int32_t a = 0; a < t_.ArcCount; ++a) {
        Restrict(a, low[Index(a)], high[Index(a)]);
    }
}

void BranchSetUp::NodeSums(const std::vector<std::int64_t>& low,
                           const std::vector<std::int64_t>& high) {
    const auto nodes = Index(t_.NodeCount);
    inLow_.assign(nodes, 0);
    inHigh_.assign(nodes, 0);
    outLow_.assign(nodes, 0);
    outHigh_.assign(nodes, 0);
    for (std::size_t a = 0; a < Index(t_.ArcCount); ++a) {
        const ArcRecord& arc = t_.ArcTable[a];
        if (arc.from != arc.to) {
            outLow_[Index(arc.from)] += low[a];
            outHigh_[Index(arc.from)] += high[a];
            inLow_[Index(arc.to)] += low[a];
            inHigh_[Index(arc.to)] += high[a];
        }
    }
}

bool BranchSetUp::Propagate(std::vector<std::int64_t>& low, std::vector<std::int64_t>& high,
                            const std::vector<std::int32_t>& seeds) {
    // What may enter and leave each node, loops aside (they leave as they
    // enter). A branch's ranges differ from the search's only at its seeds:
    // the search's sums, kept until its ranges change, are mended there.
    if (seeds.empty()) {
        NodeSums(low, high);
    } else {
        if (!searchSums_) {
            NodeSums(low_, high_);
            searchInLow_ = inLow_;
            searchInHigh_ = inHigh_;
            searchOutLow_ = outLow_;
            searchOutHigh_ = outHigh_;
            searchSums_ = true;
        }
        inLow_ = searchInLow_;
        inHigh_ = searchInHigh_;
        outLow_ = searchOutLow_;
        outHigh_ = searchOutHigh_;
        for (const std::int32_t arc : seeds) {
            const auto a = Index(arc);
            const ArcRecord& record = t_.ArcTable[a];
            if (record.from != record.to) {
                outLow_[Index(record.from)] += low[a] - low_[a];
                outHigh_[Index(record.from)] += high[a] - high_[a];
                inLow_[Index(record.to)] += low[a] - low_[a];
                inHigh_[Index(record.to)] += high[a] - high_[a];
            }
        }
    }
    queue_.clear();
    const auto enqueue = [&](std::int32_t v) {
        if (!queued_[Index(v)]) {
            queued_[Index(v)] = 1;
            queue_.push_back(v);
        }
    };
    if (seeds.empty()) {
        for (std::int32_t v = 0; v < t_.NodeCount; ++v) {
            enqueue(v);
        }
    }
    for (const std::int32_t a : seeds) {
        enqueue(t_.ArcTable.At(a).from);
        enqueue(t_.ArcTable.At(a).to);
    }
    // Integer ranges can shrink by small steps around a cycle for long:
    // the work is capped, and a capped pass still leaves valid ranges.
    std::int64_t budget = 8 * static_cast<std::int64_t>(nodeArcs_.size()) + 1000;
    bool feasible = true;
    std::size_t head = 0;
    for (; head < queue_.size() && feasible && budget > 0; ++head) {
        const std::int32_t node = queue_[head];
        queued_[Index(node)] = 0;
        for (std::int32_t k = nodeStart_[Index(node)]; k < nodeStart_[Index(node) + 1]; ++k) {
            --budget;
            const auto a = Index(nodeArcs_[Index(k)]);
            const ArcRecord& arc = t_.ArcTable[a];
            const auto u = Index(arc.from);
            const auto v = Index(arc.to);
            // The arc carries what enters u less what leaves u by other arcs,
            // and what leaves v less what enters v by other arcs.
            const std::int64_t up = std::min(
                {high[a], inHigh_[u] - (outLow_[u] - low[a]), outHigh_[v] - (inLow_[v] - low[a])});
            const std::int64_t down = std::max(
                {low[a], inLow_[u] - (outHigh_[u] - high[a]), outLow_[v] - (inHigh_[v] - high[a])});
            if (down > up) {
                feasible = false;
                break;
            }
            if (up == high[a] && down == low[a]) {
                continue;
            }
            outLow_[u] += down - low[a];
            inLow_[v] += down - low[a];
            outHigh_[u] += up - high[a];
            inHigh_[v] += up - high[a];
            low[a] = down;
            high[a] = up;
            enqueue(arc.from);
            enqueue(arc.to);
        }
    }
    for (std::size_t k = head; k < queue_.size(); ++k) {
        queued_[Index(queue_[k])] = 0;
    }
    return feasible;
}

}  // namespace kova
