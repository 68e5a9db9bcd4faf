// The convex envelope of one arc's piecewise-linear cost over its current
// range, and the costs of a flow under the envelope and under the pieces.
#pragma once

#include <cstdint>
#include <vector>

#include "model/problem_tables.h"

namespace kova {

struct EnvelopeSegment {
    std::int64_t end;  // flow where the segment ends
    double slope;
};

struct ArcEnvelope {
    double startValue = 0.0;  // value at the arc's lower bound
    std::vector<EnvelopeSegment> segments;

    // Scratch: each piece's span and its value at the end, and where
    // drops are exact the flow after a drop with its value.
    struct Point {
        std::int64_t start;
        std::int64_t end;
        double candidate;
    };
    std::vector<Point> points;
    std::vector<std::size_t> hull;  // the points that are vertices
};

// `pieces` are the arc's pieceCount - 1 further pieces. The lower convex
// hull of the values at the lower bound and at every piece end, in time
// linear in the pieces; on equal slopes the nearer end point wins.
// `exactDrops`: after a drop at a breakpoint the next flow's value is a
// hull point, so the envelope is the hull of the integer flows' costs;
// otherwise the drop is bridged down to the breakpoint itself (weaker, with
// no more segments than pieces).
void BuildEnvelope(const ArcRecord& arc, const PieceRecord* pieces, ArcEnvelope& envelope,
                   bool exactDrops = true);
// The envelope's value at `flow`, for an arc whose range starts at `lower`.
double EnvelopeValue(const ArcEnvelope& envelope, std::int64_t lower, std::int64_t flow);
// The most segments an exact envelope of the arc can have, over any range
// narrowed from it, and with its charge moved (see OpeningRules).
std::int32_t MostSegments(const ArcRecord& arc, const PieceRecord* pieces);

// Slope of the envelope's first segment, as a network cost.
double SnapCost(double cost);

// An arc written with one piece of base cost 0: linear, costed from flow 0.
inline bool CostedFromZero(const ArcRecord& parsed) {
    return parsed.pieceCount == 1 && parsed.baseCost == 0.0;
}

// True cost of `flow` on the arc's pieces; a flow on a breakpoint is costed
// by the piece that ends there. `fromZero`: the arc was written with one
// piece of base cost 0, costed from flow 0.
double TrueArcCost(const ArcRecord& arc, const PieceRecord* pieces, std::int64_t flow,
                   bool fromZero);

// An arc whose true cost lies above its envelope cost: where the search may branch.
struct BranchCandidate {
    std::int32_t arc;
    std::int64_t flow;
    double gap;
};

// What one relaxation reports about its flow.
struct FlowEvaluation {
    double relaxedTotal = 0.0;
    double trueTotal = 0.0;
    std::int32_t gapArcIndex = -1;  // the arc with the largest positive gap
    std::int64_t gapArcFlow = 0;
    // Where no envelope misses anything, the open arc with the largest moved
    // charge: the flow may still cost more than the bound, and deciding that
    // arc is what can lift it.
    std::int32_t movedArcIndex = -1;
    std::int64_t movedArcFlow = 0;
    double largestMoved = 0.0;
    std::vector<BranchCandidate>* candidates = nullptr;  // every arc with a positive gap, if wanted
};

// Evaluates the flow arc by arc and writes the rows of SolutionTable.
// `arcFlow(i, flow, segmentCost, firstSlope, startValue)` gives arc i's flow,
// the sum of flow times slope over its segments, its first slope and its
// envelope's start value.
template <typename ArcFlow>
FlowEvaluation EvaluateFlows(ProblemTables& t, ArcFlow&& arcFlow,
                             std::vector<BranchCandidate>* candidates = nullptr);

// The per-arc part of EvaluateFlows.
// `moved`: the charge the envelope no longer holds at this flow (see
// OpeningRules); the bound counts it elsewhere, so it is no gap.
void EvaluateArc(ProblemTables& t, std::int32_t arc, const PieceRecord* pieces, std::int64_t flow,
                 double segmentCost, double firstSlope, double startValue, double moved,
                 FlowEvaluation& evaluation, double& largestGap);
void FinishEvaluation(FlowEvaluation& evaluation);

template <typename ArcFlow>
FlowEvaluation EvaluateFlows(ProblemTables& t, ArcFlow&& arcFlow,
                             std::vector<BranchCandidate>* candidates) {
    FlowEvaluation evaluation;
    evaluation.candidates = candidates;
    if (candidates != nullptr) {
        candidates->clear();
    }
    double largestGap = 0.0;
    std::int32_t pieceCursor = 0;
    for (std::int32_t i = 0; i < t.ArcCount; ++i) {
        std::int64_t flow = 0;
        double segmentCost = 0.0;
        double firstSlope = 0.0;
        double startValue = 0.0;
        double moved = 0.0;
        arcFlow(i, flow, segmentCost, firstSlope, startValue, moved);
        EvaluateArc(t, i, t.WorkPieceTable.data() + pieceCursor, flow, segmentCost, firstSlope,
                    startValue, moved, evaluation, largestGap);
        pieceCursor += t.WorkArcTable[static_cast<std::size_t>(i)].pieceCount - 1;
    }
    FinishEvaluation(evaluation);
    return evaluation;
}

}  // namespace kova
