#include "oracle/plain_relaxation.h"

#include "text/number_text.h"

namespace kova {
namespace {

NetArcRecord NetArc(std::int32_t from, std::int32_t to, std::int64_t lower, std::int64_t upper,
                    double cost) {
    return NetArcRecord{from, to, 0, -upper, -lower, 0.0, cost};
}

}  // namespace

RelaxationResult PlainRelaxation::SolveRelaxation() {
    if (t_.NetArcTable.size() != static_cast<std::size_t>(t_.NetArcBound)) {
        t_.NetArcTable.SetSize(static_cast<std::size_t>(t_.NetArcBound));
    }
    BuildNetwork();
    SizeWorkTables();
    solver_.RunOutOfKilter();
    labelSearches_ += solver_.LabelSearches();
    monitor_.SetField(LiveField::ResultCode, IntegerText(t_.RelaxationState));
    RelaxationResult result;
    result.code = t_.RelaxationState;
    if (!result.HasFlow()) {
        return result;
    }
    const FlowEvaluation evaluation =
        EvaluateFlows(t_, [&](std::int32_t i, std::int64_t& flow, double& segmentCost,
                              double& firstSlope, double& startValue, double& /*moved*/) {
            const ArcNetwork& placed = arcNetwork_.At(i);
            // Link arcs carry the same flows as their segments and are not counted.
            const std::int32_t step = placed.segments == 1 ? 1 : 2;
            for (std::int32_t j = 0; j < placed.segments; ++j) {
                const NetArcRecord& record = t_.NetArcTable.At(placed.firstRecord + step * j);
                flow += record.flow;
                segmentCost += static_cast<double>(record.flow) * record.cost;
            }
            firstSlope = t_.NetArcTable.At(placed.firstRecord).cost;
            startValue = placed.startValue;
        });
    result.relaxedTotal = evaluation.relaxedTotal;
    result.trueTotal = evaluation.trueTotal;
    result.gapArcIndex = evaluation.gapArcIndex;
    result.gapArcFlow = evaluation.gapArcFlow;
    return result;
}

void PlainRelaxation::BuildNetwork() {
    const std::int32_t arcCount = t_.ArcCount;
    arcNetwork_.SetSize(static_cast<std::size_t>(arcCount));
    std::int32_t extra = 0;
    std::int32_t segmentNodes = 0;
    PieceCursor cursor(t_.WorkPieceTable.data());
    for (std::int32_t i = 0; i < arcCount; ++i) {
        const ArcRecord& arc = t_.WorkArcTable.At(i);
        const std::int32_t first = i + extra;
        BuildEnvelope(arc, cursor.Take(arc), envelope_, false);
        const auto segmentCount = static_cast<std::int32_t>(envelope_.segments.size());
        arcNetwork_.At(i) = ArcNetwork{first, segmentCount, envelope_.startValue};
        if (segmentCount == 1) {
            t_.NetArcTable.At(first) =
                NetArc(arc.from, arc.to, arc.lower, envelope_.segments[0].end,
                       envelope_.segments[0].slope);
            continue;
        }
        for (std::int32_t j = 0; j < segmentCount; ++j) {
            const std::int32_t node = t_.NodeCount + segmentNodes;
            ++segmentNodes;
            const EnvelopeSegment& segment = envelope_.segments[static_cast<std::size_t>(j)];
            const std::int64_t lower = j == 0 ? arc.lower : 0;
            const std::int64_t upper =
                j == 0 ? segment.end
                       : segment.end - envelope_.segments[static_cast<std::size_t>(j - 1)].end;
            // The first link carries a negative flow as well.
            const std::int64_t linkLower = j == 0 && arc.lower < 0 ? arc.lower : 0;
            t_.NetArcTable.At(first + 2 * j) = NetArc(arc.from, node, lower, upper, segment.slope);
            t_.NetArcTable.At(first + 2 * j + 1) = NetArc(node, arc.to, linkLower, LargeInt, 0.0);
        }
        extra += 2 * segmentCount - 1;
    }
    t_.NetArcCount = arcCount + extra;
    t_.NetNodeCount = t_.NodeCount + segmentNodes;
}

void PlainRelaxation::SizeWorkTables() {
    solver_.SizeNodeTables(static_cast<std::size_t>(t_.NetNodeCount));
}

}  // namespace kova
