#include "optimiser/network_simplex.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kova {
namespace {

constexpr std::int64_t kInfiniteCapacity = std::numeric_limits<std::int64_t>::max() / 4;

// The arcs to price: tree arcs (state 0) and arcs without room price at 0
// rather than being skipped, which keeps the loops free of branches.
struct PricedArcs {
    const std::int32_t* source;
    const std::int32_t* target;
    const std::int64_t* capacity;
    const double* cost;
    const std::int8_t* state;
    const double* pi;
};

// The first arc in [begin, end) whose signed reduced cost lies below `best`
// and below every other's; `best` and `entering` move to it.
void PriceRange(const PricedArcs& arcs, std::int32_t begin, std::int32_t end, double& best,
                std::int32_t& entering) {
    for (std::int32_t k = begin; k < end; ++k) {
        const double sign = arcs.capacity[k] != 0 ? static_cast<double>(arcs.state[k]) : 0.0;
        const double c = sign * (arcs.cost[k] + arcs.pi[arcs.source[k]] - arcs.pi[arcs.target[k]]);
        if (c < best) {
            best = c;
            entering = k;
        }
    }
}

#if defined(__x86_64__)
// The same four arcs at a time, with the potentials gathered: the same
// operations in the same order (no fused multiply-add), and ties go to the
// first arc, so it finds what PriceRange finds.
__attribute__((target("avx2"))) void PriceRangeAvx2(const PricedArcs& arcs, std::int32_t begin,
                                                    std::int32_t end, double& best,
                                                    std::int32_t& entering) {
    if (end - begin < 8) {
        PriceRange(arcs, begin, end, best, entering);
        return;
    }
    const __m256i zero = _mm256_setzero_si256();
    // Masked gathers: the plain ones trip a false uninitialised warning.
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    __m256d lowest = _mm256_set1_pd(best);
    __m256i lowestAt = _mm256_set1_epi64x(-1);
    __m256i at = _mm256_set_epi64x(begin + 3, begin + 2, begin + 1, begin);
    const __m256i four = _mm256_set1_epi64x(4);
    std::int32_t k = begin;
    for (; k + 4 <= end; k += 4) {
        const __m128i from = _mm_loadu_si128(reinterpret_cast<const __m128i*>(arcs.source + k));
        const __m128i to = _mm_loadu_si128(reinterpret_cast<const __m128i*>(arcs.target + k));
        const __m256d piFrom = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), arcs.pi, from, all, 8);
        const __m256d piTo = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), arcs.pi, to, all, 8);
        const __m256d reduced =
            _mm256_sub_pd(_mm256_add_pd(_mm256_loadu_pd(arcs.cost + k), piFrom), piTo);
        std::int32_t states = 0;
        std::memcpy(&states, arcs.state + k, sizeof states);
        const __m256d sign = _mm256_cvtepi32_pd(_mm_cvtepi8_epi32(_mm_cvtsi32_si128(states)));
        const __m256i full = _mm256_cmpeq_epi64(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(arcs.capacity + k)), zero);
        const __m256d c = _mm256_mul_pd(_mm256_andnot_pd(_mm256_castsi256_pd(full), sign), reduced);
        const __m256d lower = _mm256_cmp_pd(c, lowest, _CMP_LT_OQ);
        lowest = _mm256_blendv_pd(lowest, c, lower);
        lowestAt = _mm256_castpd_si256(
            _mm256_blendv_pd(_mm256_castsi256_pd(lowestAt), _mm256_castsi256_pd(at), lower));
        at = _mm256_add_epi64(at, four);
    }
    alignas(32) double values[4];
    alignas(32) std::int64_t indices[4];
    _mm256_store_pd(values, lowest);
    _mm256_store_si256(reinterpret_cast<__m256i*>(indices), lowestAt);
    // Each lane holds its first lowest; across lanes the lowest, then the first.
    for (int lane = 0; lane < 4; ++lane) {
        if (indices[lane] < 0) {
            continue;
        }
        if (values[lane] < best ||
            (values[lane] == best && entering >= begin && indices[lane] < entering)) {
            best = values[lane];
            entering = static_cast<std::int32_t>(indices[lane]);
        }
    }
    PriceRange(arcs, k, end, best, entering);
}

bool HasVectorGathers() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}
#else
constexpr auto PriceRangeAvx2 = PriceRange;

bool HasVectorGathers() {
    return false;
}
#endif

}  // namespace

NetworkSimplex::NetworkSimplex(FlowNetwork& network, SolveTicker& ticker)
    : net_(&network), ticker_(&ticker), avx2_(HasVectorGathers()) {}

FlowOutcome NetworkSimplex::Run() {
    pivots_ = 0;
    warm_ = false;
    if (ticker_->Start()) {
        return FlowOutcome::Stopped;
    }
    InitialTree();
    return Pivot(-1);
}

bool NetworkSimplex::ChangeArc(std::int32_t arc, std::int64_t lower, std::int64_t upper,
                               double cost) {
    const auto a = Index(arc);
    const std::int64_t flow = lower_[a] + flow_[a];
    if (std::fabs(cost) > largestCost_) {
        SetBigM(std::fabs(cost));
    } else if (std::fabs(cost_[a]) >= largestCost_ && std::fabs(cost) < largestCost_) {
        // The largest cost may have gone: the optimality tolerance scales
        // with it and must come down with it.
        largestMayShrink_ = true;
    }
    if (state_[a] == kTree && cost != cost_[a]) {
        treeCostChanged_ = true;
    }
    cost_[a] = cost;
    lower_[a] = lower;
    capacity_[a] = upper - lower;
    net_->lower[a] = lower;
    net_->upper[a] = upper;
    net_->cost[a] = cost;
    std::int64_t kept = std::clamp(flow, lower, upper);
    if (state_[a] != kTree) {
        // Out of the tree an arc sits at a bound: the one its price prefers.
        const bool atUpper = kept == upper && (kept != lower || ReducedCost(arc) < 0.0);
        state_[a] = atUpper ? kUpper : kLower;
        kept = atUpper ? upper : lower;
    }
    flow_[a] = kept - lower;
    const std::int64_t rest = flow - kept;
    if (rest == 0) {
        return true;
    }
    if (freeSpares_.empty()) {
        warm_ = false;
        return false;
    }
    // The spare arc carries what the arc no longer may, in the arc's direction.
    const std::int32_t spare = freeSpares_.back();
    freeSpares_.pop_back();
    usedSpares_.push_back(spare);
    const auto s = Index(spare);
    source_[s] = rest > 0 ? source_[a] : target_[a];
    target_[s] = rest > 0 ? target_[a] : source_[a];
    capacity_[s] = rest > 0 ? rest : -rest;
    flow_[s] = capacity_[s];
    cost_[s] = bigM_;
    state_[s] = kUpper;
    return true;
}

FlowOutcome NetworkSimplex::Resolve(std::int64_t pivotLimit) {
    pivots_ = 0;
    if (ticker_->Start()) {
        warm_ = false;
        return FlowOutcome::Stopped;
    }
    if (largestMayShrink_) {
        largestMayShrink_ = false;
        double largest = 1.0;
        for (std::int32_t a = 0; a < realArcs_; ++a) {
            largest = std::max(largest, std::fabs(cost_[Index(a)]));
        }
        if (largest < largestCost_) {
            SetBigM(largest);
        }
    }
    if (treeCostChanged_) {
        ComputePotentials();
        treeCostChanged_ = false;
    }
    // After a small change few arcs can enter: larger blocks find the
    // better of them at little more cost than a first one.
    blockSize_ = std::min(arcs_, kWarmBlockFactor * SqrtArcs());
    // A tree that changed under its arcs may no longer be strongly
    // feasible; should degenerate pivots stall, start afresh.
    const FlowOutcome outcome =
        Pivot(pivotLimit > 0 ? pivotLimit : 4 * static_cast<std::int64_t>(arcs_) + 1000);
    if (!stalled_ || pivotLimit > 0) {
        return outcome;
    }

    InitialTree();
    return Pivot(-1);
}

FlowOutcome NetworkSimplex::Pivot(std::int64_t limit) {
    stalled_ = false;
    while (true) {
        while (FindEnteringArc()) {
            FindJoinNode();
            const Side side = FindLeavingArc();
            ChangeFlows();
            UpdateTree(side);
            ++pivots_;
            ++pivotsSinceRecompute_;
            if (ticker_->Tick()) {
                warm_ = false;
                WriteBack();
                return FlowOutcome::Stopped;
            }
            if (pivots_ == limit) {
                stalled_ = true;
                warm_ = false;
                return FlowOutcome::Stopped;
            }
        }
        // The potentials carried through many pivots drift a little;
        // recomputed ones must still find no entering arc.
        if (pivotsSinceRecompute_ < kPivotsBeforeRecompute) {
            break;
        }
        ComputePotentials();
        if (!FindEnteringArc()) {
            break;
        }
    }
    WriteBack();
    warm_ = true;
    ReleaseSpares();
    for (std::int32_t a = realArcs_; a < arcs_; ++a) {
        if (flow_[Index(a)] != 0) {
            return FlowOutcome::Infeasible;
        }
    }
    return FlowOutcome::Optimal;
}

void NetworkSimplex::ReleaseSpares() {
    std::size_t kept = 0;
    for (const std::int32_t spare : usedSpares_) {
        const auto s = Index(spare);
        if (state_[s] != kTree && flow_[s] == 0) {
            capacity_[s] = 0;
            cost_[s] = 0.0;
            state_[s] = kLower;
            freeSpares_.push_back(spare);
        } else {
            if (flow_[s] == 0) {
                capacity_[s] = 0;  // in the tree without flow: it leaves at the next chance
            }
            usedSpares_[kept++] = spare;
        }
    }
    usedSpares_.resize(kept);
}

// Dearer than any path of real arcs.
void NetworkSimplex::SetBigM(double largestCost) {
    largestCost_ = largestCost;
    bigM_ = largestCost_ * static_cast<double>(nodes_ + 1);
    tolerance_ = 1e-13 * largestCost_ * static_cast<double>(nodes_ + 1);
    for (std::int32_t a = realArcs_; a < firstSpare_; ++a) {
        cost_[Index(a)] = bigM_;
    }
    for (const std::int32_t spare : usedSpares_) {
        cost_[Index(spare)] = bigM_;
    }
    treeCostChanged_ = true;
}

void NetworkSimplex::InitialTree() {
    largestMayShrink_ = false;
    nodes_ = net_->nodeCount;
    realArcs_ = net_->ArcCount();
    firstSpare_ = realArcs_ + nodes_;
    // As many spare arcs as nodes: a few branches' worth of changes.
    arcs_ = firstSpare_ + std::max<std::int32_t>(nodes_, 16);
    const auto arcCount = Index(arcs_);
    const auto nodeCount = Index(nodes_ + 1);
    source_.resize(arcCount);
    target_.resize(arcCount);
    lower_.resize(arcCount);
    capacity_.resize(arcCount);
    flow_.assign(arcCount, 0);
    cost_.resize(arcCount);
    state_.resize(arcCount);

    // Flows measured from the lower bounds leave each node a supply to send out.
    std::vector<std::int64_t> supply(nodeCount, 0);
    double largestCost = 1.0;
    for (std::int32_t a = 0; a < realArcs_; ++a) {
        const auto i = Index(a);
        source_[i] = net_->from[i];
        target_[i] = net_->to[i];
        lower_[i] = net_->lower[i];
        capacity_[i] = net_->upper[i] - net_->lower[i];
        cost_[i] = net_->cost[i];
        state_[i] = kLower;
        supply[Index(net_->to[i])] += net_->lower[i];
        supply[Index(net_->from[i])] -= net_->lower[i];
        largestCost = std::max(largestCost, std::fabs(net_->cost[i]));
    }
    usedSpares_.clear();
    freeSpares_.clear();
    for (std::int32_t a = arcs_ - 1; a >= firstSpare_; --a) {
        const auto i = Index(a);
        source_[i] = target_[i] = 0;
        lower_[i] = capacity_[i] = 0;
        cost_[i] = 0.0;
        state_[i] = kLower;
        freeSpares_.push_back(a);
    }
    SetBigM(largestCost);
    treeCostChanged_ = false;
    pivotsSinceRecompute_ = kPivotsBeforeRecompute;  // a fresh solve always checks
    const double artificialCost = bigM_;

    const std::int32_t root = nodes_;
    pi_.assign(nodeCount, 0.0);
    parent_.assign(nodeCount, -1);
    predArc_.assign(nodeCount, -1);
    predUp_.assign(nodeCount, 0);
    depth_.assign(nodeCount, 0);
    firstChild_.assign(nodeCount, -1);
    nextSibling_.assign(nodeCount, -1);
    prevSibling_.assign(nodeCount, -1);
    for (std::int32_t v = 0; v < nodes_; ++v) {
        const std::int32_t a = realArcs_ + v;
        const auto i = Index(a);
        const std::int64_t s = supply[Index(v)];
        // Arcs without flow point to the root, which keeps the tree strongly feasible.
        const bool up = s >= 0;
        source_[i] = up ? v : root;
        target_[i] = up ? root : v;
        lower_[i] = 0;
        capacity_[i] = kInfiniteCapacity;
        flow_[i] = up ? s : -s;
        cost_[i] = artificialCost;
        state_[i] = kTree;
        parent_[Index(v)] = root;
        predArc_[Index(v)] = a;
        predUp_[Index(v)] = up ? 1 : 0;
        depth_[Index(v)] = 1;
        pi_[Index(v)] = up ? -artificialCost : artificialCost;
        AddChild(root, v);
    }
    blockSize_ = SqrtArcs();
    nextArc_ = 0;
}

// Block search: the most negative reduced cost among the next block of
// arcs, going on to the next block only when a block has none.
bool NetworkSimplex::FindEnteringArc() {
    double best = -tolerance_;
    entering_ = -1;
    const PricedArcs arcs{source_.data(), target_.data(), capacity_.data(),
                          cost_.data(),   state_.data(),  pi_.data()};
    const auto price = avx2_ ? PriceRangeAvx2 : PriceRange;
    std::int32_t a = nextArc_;
    for (std::int32_t remaining = arcs_; remaining > 0;) {
        std::int32_t block = std::min(blockSize_, remaining);
        remaining -= block;
        while (block > 0) {
            const std::int32_t end = std::min(arcs_, a + block);
            price(arcs, a, end, best, entering_);
            block -= end - a;
            a = end == arcs_ ? 0 : end;
        }
        if (entering_ >= 0) {
            break;
        }
    }
    nextArc_ = a;
    return entering_ >= 0;
}

void NetworkSimplex::FindJoinNode() {
    const auto e = Index(entering_);
    // Flow goes from first_ across the entering arc to second_.
    if (state_[e] == kLower) {
        first_ = source_[e];
        second_ = target_[e];
    } else {
        first_ = target_[e];
        second_ = source_[e];
    }
    std::int32_t u = first_;
    std::int32_t v = second_;
    while (u != v) {
        if (depth_[Index(u)] >= depth_[Index(v)]) {
            u = parent_[Index(u)];
        } else {
            v = parent_[Index(v)];
        }
    }
    join_ = u;
}

// The cycle runs from the join down to first_, across the entering arc and
// up from second_. The leaving arc is the last blocking arc in that order,
// which keeps the tree strongly feasible.
NetworkSimplex::Side NetworkSimplex::FindLeavingArc() {
    const auto e = Index(entering_);
    delta_ = capacity_[e];
    Side side = Side::Entering;
    leavingNode_ = -1;
    for (std::int32_t u = first_; u != join_; u = parent_[Index(u)]) {
        const auto a = Index(predArc_[Index(u)]);
        const std::int64_t room = predUp_[Index(u)] ? flow_[a] : capacity_[a] - flow_[a];
        if (room < delta_) {
            delta_ = room;
            side = Side::First;
            leavingNode_ = u;
        }
    }
    for (std::int32_t u = second_; u != join_; u = parent_[Index(u)]) {
        const auto a = Index(predArc_[Index(u)]);
        const std::int64_t room = predUp_[Index(u)] ? capacity_[a] - flow_[a] : flow_[a];
        if (room <= delta_) {
            delta_ = room;
            side = Side::Second;
            leavingNode_ = u;
        }
    }
    return side;
}

void NetworkSimplex::ChangeFlows() {
    if (delta_ == 0) {
        return;
    }
    const auto e = Index(entering_);
    flow_[e] += state_[e] == kLower ? delta_ : -delta_;
    for (std::int32_t u = first_; u != join_; u = parent_[Index(u)]) {
        flow_[Index(predArc_[Index(u)])] += predUp_[Index(u)] ? -delta_ : delta_;
    }
    for (std::int32_t u = second_; u != join_; u = parent_[Index(u)]) {
        flow_[Index(predArc_[Index(u)])] += predUp_[Index(u)] ? delta_ : -delta_;
    }
}

void NetworkSimplex::UpdateTree(Side side) {
    const auto e = Index(entering_);
    if (side == Side::Entering) {
        state_[e] = static_cast<std::int8_t>(-state_[e]);
        return;
    }
    const std::int32_t leaving = predArc_[Index(leavingNode_)];
    state_[Index(leaving)] = flow_[Index(leaving)] == 0 ? kLower : kUpper;
    state_[e] = kTree;

    // The subtree under the leaving arc hangs from the entering arc now:
    // the path from its end in that subtree up to leavingNode_ turns round.
    const std::int32_t inNode = side == Side::First ? first_ : second_;
    const std::int32_t outNode = side == Side::First ? second_ : first_;
    std::int32_t w = inNode;
    std::int32_t newParent = outNode;
    std::int32_t newPred = entering_;
    bool newUp = source_[e] == inNode;
    while (true) {
        const std::int32_t oldParent = parent_[Index(w)];
        const std::int32_t oldPred = predArc_[Index(w)];
        const bool oldUp = predUp_[Index(w)] != 0;
        RemoveChild(oldParent, w);
        parent_[Index(w)] = newParent;
        predArc_[Index(w)] = newPred;
        predUp_[Index(w)] = newUp ? 1 : 0;
        AddChild(newParent, w);
        if (w == leavingNode_) {
            break;
        }
        newParent = w;
        newPred = oldPred;
        newUp = !oldUp;
        w = oldParent;
    }
    RefreshSubtree(inNode);
}

void NetworkSimplex::RefreshSubtree(std::int32_t top) {
    const auto t = Index(top);
    const auto a = Index(predArc_[t]);
    const double parentPi = pi_[Index(parent_[t])];
    // The pred arc of a tree node has reduced cost 0.
    const double newPi = predUp_[t] ? parentPi - cost_[a] : parentPi + cost_[a];
    // The subtree keeps its tree arcs, so its potentials move together; its
    // depths do not, as the path up to the leaving arc turned round.
    const double shift = newPi - pi_[t];
    stack_.clear();
    stack_.push_back(top);
    while (!stack_.empty()) {
        const std::int32_t v = stack_.back();
        stack_.pop_back();
        pi_[Index(v)] += shift;
        depth_[Index(v)] = depth_[Index(parent_[Index(v)])] + 1;
        for (std::int32_t c = firstChild_[Index(v)]; c >= 0; c = nextSibling_[Index(c)]) {
            stack_.push_back(c);
        }
    }
    pi_[t] = newPi;
}

std::int32_t NetworkSimplex::SqrtArcs() const {
    return std::max<std::int32_t>(10,
                                  static_cast<std::int32_t>(std::sqrt(static_cast<double>(arcs_))));
}

void NetworkSimplex::ComputePotentials() {
    pivotsSinceRecompute_ = 0;
    const std::int32_t root = nodes_;
    pi_[Index(root)] = 0.0;
    depth_[Index(root)] = 0;
    stack_.clear();
    for (std::int32_t c = firstChild_[Index(root)]; c >= 0; c = nextSibling_[Index(c)]) {
        stack_.push_back(c);
    }
    while (!stack_.empty()) {
        const std::int32_t v = stack_.back();
        stack_.pop_back();
        const auto a = Index(predArc_[Index(v)]);
        const double parentPi = pi_[Index(parent_[Index(v)])];
        pi_[Index(v)] = predUp_[Index(v)] ? parentPi - cost_[a] : parentPi + cost_[a];
        depth_[Index(v)] = depth_[Index(parent_[Index(v)])] + 1;
        for (std::int32_t c = firstChild_[Index(v)]; c >= 0; c = nextSibling_[Index(c)]) {
            stack_.push_back(c);
        }
    }
}

void NetworkSimplex::WriteBack() {
    for (std::int32_t a = 0; a < realArcs_; ++a) {
        net_->flow[Index(a)] = lower_[Index(a)] + flow_[Index(a)];
    }
    std::copy(pi_.begin(), pi_.begin() + nodes_, net_->potential.begin());
}

void NetworkSimplex::AddChild(std::int32_t parent, std::int32_t child) {
    const std::int32_t head = firstChild_[Index(parent)];
    nextSibling_[Index(child)] = head;
    prevSibling_[Index(child)] = -1;
    if (head >= 0) {
        prevSibling_[Index(head)] = child;
    }
    firstChild_[Index(parent)] = child;
}

void NetworkSimplex::RemoveChild(std::int32_t parent, std::int32_t child) {
    const std::int32_t prev = prevSibling_[Index(child)];
    const std::int32_t next = nextSibling_[Index(child)];
    if (prev >= 0) {
        nextSibling_[Index(prev)] = next;
    } else {
        firstChild_[Index(parent)] = next;
    }
    if (next >= 0) {
        prevSibling_[Index(next)] = prev;
    }
}

}  // namespace kova
