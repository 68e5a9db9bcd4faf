#include "optimiser/envelope.h"

#include <algorithm>
#include <cmath>

namespace kova {

double SnapCost(double cost) {
    return std::fabs(cost) < ZeroSnap ? 0.0 : cost;
}

std::int32_t MostSegments(const ArcRecord& arc, const PieceRecord* extra) {
    if (arc.pieceCount == 1) {
        return 1;
    }
    std::int32_t drops = 0;
    double endValue =
        arc.baseCost + arc.unitCost * static_cast<double>(std::int64_t{arc.upper} - arc.lower);
    std::int64_t start = arc.upper;
    for (std::int32_t k = 0; k < arc.pieceCount - 1; ++k) {
        drops += extra[k].baseCost < endValue ? 1 : 0;
        endValue =
            extra[k].baseCost + extra[k].unitCost * static_cast<double>(extra[k].upper - start);
        start = extra[k].upper;
    }
    // A hull vertex per piece end and per drop, and one for a drop that a
    // moved charge makes; a first piece that ends at the lower bound (a
    // fixed charge) gives none. Every slot beyond costs each pivot search.
    return arc.pieceCount + drops + (arc.upper == arc.lower ? 0 : 1);
}

void BuildEnvelope(const ArcRecord& arc, const PieceRecord* extra, ArcEnvelope& envelope,
                   bool exactDrops) {
    envelope.segments.clear();
    envelope.startValue = arc.baseCost;
    if (arc.pieceCount == 1) {
        envelope.segments.push_back(EnvelopeSegment{arc.upper, SnapCost(arc.unitCost)});
        return;
    }
    std::vector<ArcEnvelope::Point>& pieces = envelope.points;
    pieces.clear();
    pieces.push_back(ArcEnvelope::Point{
        arc.lower, arc.upper,
        arc.baseCost + arc.unitCost * static_cast<double>(std::int64_t{arc.upper} - arc.lower)});
    for (std::int32_t k = 0; k < arc.pieceCount - 1; ++k) {
        const PieceRecord& piece = extra[k];
        const std::int64_t start = pieces.back().end;
        if (!exactDrops) {
            // A drop at the breakpoint is bridged from below.
            pieces.back().candidate = std::min(pieces.back().candidate, piece.baseCost);
        } else if (piece.baseCost < pieces.back().candidate && piece.upper > start + 1) {
            // The piece's first flow lies below the line to its end: it is
            // a point of the hull too.
            pieces.push_back(ArcEnvelope::Point{start, start + 1, piece.baseCost + piece.unitCost});
        }
        pieces.push_back(ArcEnvelope::Point{
            start, piece.upper,
            piece.baseCost + piece.unitCost * static_cast<double>(piece.upper - start)});
    }
    const std::int64_t finalEnd = pieces.back().end;

    // The envelope starts at the lowest value the arc takes at its lower bound.
    double hullValue = arc.baseCost;
    for (const ArcEnvelope::Point& piece : pieces) {
        if (piece.end == arc.lower) {
            hullValue = std::min(hullValue, piece.candidate);
        }
    }
    envelope.startValue = hullValue;
    std::int64_t hullFlow = arc.lower;

    // The hull's vertices left to right in one pass (a point leaves when a
    // later one lies strictly below the line to it), so collinear points
    // stay vertices: the nearer end point wins on equal slopes.
    std::vector<std::size_t>& hull = envelope.hull;
    hull.clear();
    const auto slopeFrom = [&](std::size_t from, const ArcEnvelope::Point& to) {
        const std::int64_t x = hull.size() > from ? pieces[hull[from]].end : arc.lower;
        const double y = hull.size() > from ? pieces[hull[from]].candidate : hullValue;
        return (to.candidate - y) / static_cast<double>(to.end - x);
    };
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const ArcEnvelope::Point& point = pieces[k];
        if (point.end == arc.lower) {
            continue;  // in the start value
        }
        bool keep = true;
        while (!hull.empty()) {
            const ArcEnvelope::Point& last = pieces[hull.back()];
            if (last.end == point.end) {
                keep = point.candidate < last.candidate;
                if (!keep) {
                    break;
                }
                hull.pop_back();
                continue;
            }
            // The vertex before the last one: the start while there is none.
            const std::size_t before = hull.size() >= 2 ? hull.size() - 2 : hull.size();
            if (slopeFrom(before, point) < slopeFrom(before, last)) {
                hull.pop_back();
            } else {
                break;
            }
        }
        if (keep) {
            hull.push_back(k);
        }
    }
    for (const std::size_t k : hull) {
        const std::int64_t end = pieces[k].end;
        const double slope =
            (pieces[k].candidate - hullValue) / static_cast<double>(end - hullFlow);
        if (!(slope < LargestDouble)) {
            break;
        }
        envelope.segments.push_back(EnvelopeSegment{end, slope});
        if (end == finalEnd) {
            return;
        }
        hullValue += slope * static_cast<double>(end - hullFlow);
        hullFlow = end;
    }
    // Nothing to wrap to: a range of one flow, or slopes beyond the
    // doubles. One last segment to the final end.
    const double slope = hullFlow == finalEnd ? 0.0
                                              : (pieces.back().candidate - hullValue) /
                                                    static_cast<double>(finalEnd - hullFlow);
    envelope.segments.push_back(EnvelopeSegment{finalEnd, slope});
}

double EnvelopeValue(const ArcEnvelope& envelope, std::int64_t lower, std::int64_t flow) {
    double value = envelope.startValue;
    std::int64_t at = lower;
    for (const EnvelopeSegment& segment : envelope.segments) {
        if (at >= flow) {
            break;
        }
        const std::int64_t to = std::min(segment.end, flow);
        value += static_cast<double>(to - at) * segment.slope;
        at = to;
    }
    return value;
}

double TrueArcCost(const ArcRecord& arc, const PieceRecord* pieces, std::int64_t flow,
                   bool fromZero) {
    if (flow <= arc.upper) {
        return fromZero ? static_cast<double>(flow) * arc.unitCost
                        : arc.baseCost + arc.unitCost * static_cast<double>(flow - arc.lower);
    }
    std::int64_t previousEnd = arc.upper;
    for (std::int32_t k = 0; k < arc.pieceCount - 1; ++k) {
        const PieceRecord& piece = pieces[k];
        if (piece.upper >= flow || k == arc.pieceCount - 2) {
            return piece.baseCost + piece.unitCost * static_cast<double>(flow - previousEnd);
        }
        previousEnd = piece.upper;
    }
    return 0.0;
}

void EvaluateArc(ProblemTables& t, std::int32_t i, const PieceRecord* pieces, std::int64_t flow,
                 double segmentCost, double firstSlope, double startValue, double moved,
                 FlowEvaluation& evaluation, double& largestGap) {
    const ArcRecord& arc = t.WorkArcTable.At(i);
    const ArcRecord& parsed = t.ArcTable.At(i);
    const bool fromZero = CostedFromZero(parsed);
    double relaxedCost = segmentCost;
    if (!fromZero) {
        relaxedCost = relaxedCost - static_cast<double>(arc.lower) * firstSlope + startValue;
    }
    const double trueCost = TrueArcCost(arc, pieces, flow, fromZero);
    evaluation.relaxedTotal += relaxedCost;
    evaluation.trueTotal += trueCost;
    // In exact arithmetic a one-piece arc has no gap; rounding must not give it one.
    const double full = arc.pieceCount == 1 ? 0.0 : trueCost - relaxedCost;
    double gap = full;
    if (moved != 0.0) {
        gap = full - moved;
        if (gap <= 1e-9 * std::max(1.0, std::fabs(trueCost))) {
            gap = 0.0;
        }
        if (full > evaluation.largestMoved) {
            evaluation.movedArcIndex = i;
            evaluation.movedArcFlow = flow;
            evaluation.largestMoved = full;
        }
    }
    if (gap > 0.0 && evaluation.candidates != nullptr) {
        evaluation.candidates->push_back(BranchCandidate{i, flow, gap});
    }
    if (gap > largestGap) {
        evaluation.gapArcIndex = i;
        evaluation.gapArcFlow = flow;
        largestGap = gap;
    }
    SolutionRecord& row = t.SolutionTable.At(i);
    row.from = arc.from;
    row.to = arc.to;
    row.cost = trueCost;
    row.flow = flow;
}

void FinishEvaluation(FlowEvaluation& evaluation) {
    if (evaluation.gapArcIndex < 0) {
        evaluation.gapArcIndex = evaluation.movedArcIndex;
        evaluation.gapArcFlow = evaluation.movedArcFlow;
    }
    evaluation.relaxedTotal = SnapCost(evaluation.relaxedTotal);
    evaluation.trueTotal = SnapCost(evaluation.trueTotal);
}

}  // namespace kova
