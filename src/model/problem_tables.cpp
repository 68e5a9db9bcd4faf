#include "model/problem_tables.h"

namespace kova {

void ProblemTables::SizeFromCounts() {
    WorkPieceCount = ExtraPieceCount;
    ArcTable.SetSize(static_cast<std::size_t>(ArcCount));
    WorkArcTable.SetSize(static_cast<std::size_t>(ArcCount));
    PieceTable.SetSize(static_cast<std::size_t>(ExtraPieceCount));
    WorkPieceTable.SetSize(static_cast<std::size_t>(ExtraPieceCount));
    SolutionTable.SetSize(static_cast<std::size_t>(ArcCount));
    BestSolutionTable.SetSize(static_cast<std::size_t>(ArcCount));
}

void ProblemTables::Release() {
    ArcTable.SetSize(0);
    WorkArcTable.SetSize(0);
    PieceTable.SetSize(0);
    WorkPieceTable.SetSize(0);
    NetArcTable.SetSize(0);
    BranchList.SetSize(0);
    SolutionTable.SetSize(0);
    BestSolutionTable.SetSize(0);
}

namespace {

std::int32_t PiecesBefore(const GrowArray<ArcRecord>& arcs, std::int32_t arc) {
    std::int32_t first = 0;
    for (std::int32_t i = 0; i < arc; ++i) {
        first += arcs.At(i).pieceCount - 1;
    }
    return first;
}

}  // namespace

std::int32_t ProblemTables::FirstPieceOf(std::int32_t arc) const {
    return PiecesBefore(ArcTable, arc);
}

std::int32_t ProblemTables::FirstWorkPieceOf(std::int32_t arc) const {
    return PiecesBefore(WorkArcTable, arc);
}

std::string ProblemTables::NameSlot(std::int32_t node) const {
    return std::string(NameTable.data() + static_cast<std::size_t>(node) * NameWidth, NameWidth);
}

}  // namespace kova

