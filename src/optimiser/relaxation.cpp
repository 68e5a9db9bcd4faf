#include "optimiser/relaxation.h"

#include <algorithm>
#include <cmath>

#include "text/number_text.h"

namespace kova {
namespace {

std::size_t At(std::int64_t i) {
    return static_cast<std::size_t>(i);
}

double Snap(double value) {
    return std::fabs(value) < ZeroSnap ? 0.0 : value;
}

NetArcRecord NetArc(std::int32_t from, std::int32_t to, std::int64_t lower, std::int64_t upper,
                    double cost) {
    return NetArcRecord{from, to, 0, -upper, -lower, 0.0, cost};
}

struct Piece {
    std::int64_t start;
    std::int64_t end;
    double baseCost;
    double unitCost;
    double candidate;  // value at the end, bridged down to a lower next start
};

struct Segment {
    std::int64_t end;
    double slope;
};

}  // namespace

void Relaxation::SolveRelaxation() {
    BuildNetwork();
    SizeWorkTables();
    solver_.RunOutOfKilter();
    monitor_.SetField(LiveField::ResultCode, IntegerText(t_.RelaxationState));
    if (t_.RelaxationState >= kKilterInfeasible) {
        RelaxedTotal = TrueTotal = NoSolutionCost;
        return;
    }
    EvaluateSolution();
}

void Relaxation::BuildNetwork() {
    const std::int32_t arcCount = t_.ArcCount;
    arcNetwork_.assign(At(arcCount), ArcNetwork{});
    std::int32_t extra = 0;
    std::int32_t segmentNodes = 0;
    std::int32_t pieceCursor = 0;
    std::vector<Piece> pieces;
    std::vector<Segment> segments;
    for (std::int32_t i = 0; i < arcCount; ++i) {
        const ArcRecord& arc = t_.WorkArcTable[At(i)];
        const std::int32_t first = i + extra;
        ArcNetwork& placed = arcNetwork_[At(i)];
        placed = ArcNetwork{first, 1, arc.baseCost};
        if (arc.pieceCount == 1) {
            t_.NetArcTable[At(first)] =
                NetArc(arc.from, arc.to, arc.lower, arc.upper, Snap(arc.unitCost));
            continue;
        }

        const std::int32_t pieceTotal = arc.pieceCount;
        pieces.clear();
        pieces.push_back(Piece{arc.lower, arc.upper, arc.baseCost, arc.unitCost, 0.0});
        for (std::int32_t k = 0; k < pieceTotal - 1; ++k) {
            const PieceRecord& extraPiece = t_.WorkPieceTable[At(pieceCursor + k)];
            pieces.push_back(Piece{pieces.back().end, extraPiece.upper, extraPiece.baseCost,
                                   extraPiece.unitCost, 0.0});
        }
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            Piece& piece = pieces[k];
            piece.candidate =
                piece.baseCost + piece.unitCost * static_cast<double>(piece.end - piece.start);
            if (k + 1 < pieces.size()) {
                // A drop at the breakpoint is bridged from below.
                piece.candidate = std::min(piece.candidate, pieces[k + 1].baseCost);
            }
        }
        const std::int64_t finalEnd = pieces.back().end;

        // The envelope starts at the lowest value the arc takes at its lower bound.
        double hullValue = arc.baseCost;
        for (const Piece& piece : pieces) {
            if (piece.end == arc.lower) {
                hullValue = std::min(hullValue, piece.candidate);
            }
        }
        placed.startValue = hullValue;
        std::int64_t hullFlow = arc.lower;

        // Wrap from the left: the smallest slope to a later end point; on
        // equal slopes the nearer end point wins.
        segments.clear();
        std::size_t scanStart = 0;
        while (true) {
            double bestSlope = LargestDouble;
            std::size_t chosen = pieces.size();
            for (std::size_t k = scanStart; k < pieces.size(); ++k) {
                const Piece& piece = pieces[k];
                if (piece.end == hullFlow) {
                    continue;
                }
                const double slope =
                    (piece.candidate - hullValue) / static_cast<double>(piece.end - hullFlow);
                if (slope < bestSlope) {
                    bestSlope = slope;
                    chosen = k;
                }
            }
            if (chosen == pieces.size()) {
                // Nothing to wrap to: a range of one flow, or slopes beyond
                // the doubles. One last segment to the final end.
                const double slope = hullFlow == finalEnd
                                         ? 0.0
                                         : (pieces.back().candidate - hullValue) /
                                               static_cast<double>(finalEnd - hullFlow);
                segments.push_back(Segment{finalEnd, slope});
                break;
            }
            const std::int64_t end = pieces[chosen].end;
            segments.push_back(Segment{end, bestSlope});
            if (end == finalEnd) {
                break;
            }
            hullValue += bestSlope * static_cast<double>(end - hullFlow);
            hullFlow = end;
            scanStart = chosen + 1;
        }

        const auto segmentCount = static_cast<std::int32_t>(segments.size());
        placed.segments = segmentCount;
        if (segmentCount == 1) {
            t_.NetArcTable[At(first)] =
                NetArc(arc.from, arc.to, arc.lower, finalEnd, segments[0].slope);
        } else {
            for (std::int32_t j = 0; j < segmentCount; ++j) {
                const std::int32_t node = t_.NodeCount + segmentNodes;
                ++segmentNodes;
                const Segment& segment = segments[At(j)];
                const std::int64_t lower = j == 0 ? arc.lower : 0;
                const std::int64_t upper =
                    j == 0 ? segment.end : segment.end - segments[At(j - 1)].end;
                // The first link carries a negative flow as well.
                const std::int64_t linkLower = j == 0 && arc.lower < 0 ? arc.lower : 0;
                t_.NetArcTable[At(first + 2 * j)] =
                    NetArc(arc.from, node, lower, upper, segment.slope);
                t_.NetArcTable[At(first + 2 * j + 1)] =
                    NetArc(node, arc.to, linkLower, LargeInt, 0.0);
            }
            extra += 2 * segmentCount - 1;
        }
        pieceCursor += pieceTotal - 1;
    }
    t_.NetArcCount = arcCount + extra;
    t_.NetNodeCount = t_.NodeCount + segmentNodes;
}

void Relaxation::SizeWorkTables() {
    const auto nodes = At(t_.NetNodeCount);
    t_.LabelTable.SetSize(nodes);
    t_.PotentialTable.SetSize(nodes);
    t_.DistanceTable.SetSize(nodes);
    t_.LabelList.SetSize(nodes);
}

void Relaxation::EvaluateSolution() {
    RelaxedTotal = TrueTotal = 0.0;
    GapArcFrom = GapArcTo = -1;
    GapArcFlow = 0;
    GapArcIndex = -1;
    double largestGap = 0.0;
    std::int32_t pieceCursor = 0;
    for (std::int32_t i = 0; i < t_.ArcCount; ++i) {
        const ArcRecord& arc = t_.WorkArcTable[At(i)];
        const ArcRecord& parsed = t_.ArcTable[At(i)];
        const ArcNetwork& placed = arcNetwork_[At(i)];

        std::int64_t flow = 0;
        double relaxedCost = 0.0;
        const std::int32_t step = placed.segments == 1 ? 1 : 2;
        for (std::int32_t j = 0; j < placed.segments; ++j) {
            const NetArcRecord& record = t_.NetArcTable[At(placed.firstRecord + step * j)];
            flow += record.flow;
            relaxedCost += static_cast<double>(record.flow) * record.cost;
        }
        // Costed from flow 0 only for arcs written with one piece of base 0.
        const bool fromZero = parsed.pieceCount == 1 && parsed.baseCost == 0.0;
        if (!fromZero) {
            const double slope = t_.NetArcTable[At(placed.firstRecord)].cost;
            relaxedCost = relaxedCost - static_cast<double>(arc.lower) * slope + placed.startValue;
        }

        double trueCost = 0.0;
        if (flow <= arc.upper) {
            trueCost = fromZero
                           ? static_cast<double>(flow) * arc.unitCost
                           : arc.baseCost + arc.unitCost * static_cast<double>(flow - arc.lower);
        } else {
            std::int64_t previousEnd = arc.upper;
            for (std::int32_t k = 0; k < arc.pieceCount - 1; ++k) {
                const PieceRecord& piece = t_.WorkPieceTable[At(pieceCursor + k)];
                if (piece.upper >= flow || k == arc.pieceCount - 2) {
                    trueCost =
                        piece.baseCost + piece.unitCost * static_cast<double>(flow - previousEnd);
                    break;
                }
                previousEnd = piece.upper;
            }
        }

        RelaxedTotal += relaxedCost;
        TrueTotal += trueCost;
        // In exact arithmetic a one-piece arc has no gap; rounding must not give it one.
        const double gap = arc.pieceCount == 1 ? 0.0 : trueCost - relaxedCost;
        if (gap > largestGap) {
            GapArcFrom = arc.from;
            GapArcTo = arc.to;
            GapArcFlow = flow;
            GapArcIndex = i;
            largestGap = gap;
        }
        SolutionRecord& row = t_.SolutionTable[At(i)];
        row.from = arc.from;
        row.to = arc.to;
        row.cost = trueCost;
        row.flow = flow;
        pieceCursor += arc.pieceCount - 1;
    }
    RelaxedTotal = Snap(RelaxedTotal);
    TrueTotal = Snap(TrueTotal);
}

}  // namespace kova
