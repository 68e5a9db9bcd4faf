#include "optimiser/branch_setup.h"

#include <algorithm>
#include <vector>

namespace kova {
namespace {

std::size_t At(std::int64_t i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

void BranchSetUp::SetUpBranch(std::int32_t branchToSolve, std::int32_t selectedBranch) {
    t_.WorkPieceCount = t_.ExtraPieceCount;
    std::copy(t_.PieceTable.begin(), t_.PieceTable.end(), t_.WorkPieceTable.begin());
    std::copy(t_.ArcTable.begin(), t_.ArcTable.end(), t_.WorkArcTable.begin());
    std::fill(t_.ArcFlags.begin(), t_.ArcFlags.end(), 0);

    std::int32_t node = branchToSolve;
    std::int32_t ancestor = selectedBranch;
    while (true) {
        const BranchRecord& parent = t_.BranchList[At(ancestor)];
        const BranchRecord& child = t_.BranchList[At(node)];
        const std::int32_t arc = parent.branchArc;
        // The deepest range of an arc wins: a flagged arc is already narrowed.
        if (arc >= 0 && arc < t_.ArcCount && t_.ArcFlags[At(arc)] == 0) {
            NarrowArc(arc, child.rangeLow, child.rangeHigh);
            t_.ArcFlags[At(arc)] = 1;
        }
        if (ancestor == 0) {
            return;
        }
        node = ancestor;
        ancestor = parent.parent;
    }
}

void BranchSetUp::NarrowArc(std::int32_t arcIndex, std::int64_t lo, std::int64_t hi) {
    ArcRecord& arc = t_.WorkArcTable[At(arcIndex)];
    std::int32_t first = 0;
    for (std::int32_t i = 0; i < arcIndex; ++i) {
        first += t_.WorkArcTable[At(i)].pieceCount - 1;
    }
    const std::int32_t pieceCount = arc.pieceCount;

    // Pieces 1..p as (start, end, base, unit); piece 1 holds lower..e(1),
    // piece k >= 2 holds e(k-1)+1..e(k).
    struct Piece {
        std::int64_t start;
        std::int64_t end;
        double baseCost;
        double unitCost;
    };
    std::vector<Piece> pieces;
    pieces.reserve(At(pieceCount));
    pieces.push_back(Piece{arc.lower, arc.upper, arc.baseCost, arc.unitCost});
    for (std::int32_t k = 0; k < pieceCount - 1; ++k) {
        const PieceRecord& record = t_.WorkPieceTable[At(first + k)];
        pieces.push_back(Piece{pieces.back().end, record.upper, record.baseCost, record.unitCost});
    }
    const auto holding = [&](std::int64_t flow) {
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            if (flow <= pieces[k].end) {
                return k;
            }
        }
        return pieces.size() - 1;  // ranges come from breakpoints; never past the end
    };
    const std::size_t low = holding(lo);
    const std::size_t high = std::max(holding(hi), low);

    const Piece& kept = pieces[low];
    arc.lower = static_cast<std::int32_t>(lo);
    arc.unitCost = kept.unitCost;
    arc.upper = static_cast<std::int32_t>(kept.end);
    arc.baseCost = lo == kept.start
                       ? kept.baseCost
                       : kept.baseCost + kept.unitCost * static_cast<double>(lo - kept.start);

    const auto keptExtra = static_cast<std::int32_t>(high - low);
    for (std::int32_t k = 0; k < keptExtra; ++k) {
        const Piece& piece = pieces[low + 1 + At(k)];
        t_.WorkPieceTable[At(first + k)] =
            PieceRecord{piece.baseCost, piece.unitCost, static_cast<std::int32_t>(piece.end)};
    }
    const std::int32_t removed = (pieceCount - 1) - keptExtra;
    if (removed > 0) {
        PieceRecord* base = t_.WorkPieceTable.data();
        std::copy(base + first + pieceCount - 1, base + t_.WorkPieceCount,
                  base + first + keptExtra);
        t_.WorkPieceCount -= removed;
    }
    arc.pieceCount = keptExtra + 1;
}

}  // namespace kova
