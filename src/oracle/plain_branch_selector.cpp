#include "oracle/plain_branch_selector.h"

#include "oracle/plain_relaxation.h"

namespace kova {

bool PlainBranchSelector::SelectBranch(const ProblemTables& tables, std::int32_t& selected,
                                       std::int32_t& recordsInUse) {
    selected = 0;
    double minimum = LargestDouble;
    bool found = false;
    recordsInUse = 0;
    for (std::size_t i = 0; tables.BranchList[i].status != -2; ++i) {
        ++recordsInUse;
        const BranchRecord& record = tables.BranchList[i];
        if (record.status == 0 && record.bound < minimum) {
            minimum = record.bound;
            selected = static_cast<std::int32_t>(i);
            found = true;
        }
    }
    return found;
}

double PlainBranchSelector::BestOpenBound(const ProblemTables& tables) {
    std::int32_t selected = 0;
    std::int32_t recordsInUse = 0;
    return SelectBranch(tables, selected, recordsInUse)
               ? tables.BranchList[static_cast<std::size_t>(selected)].bound
               : LargestDouble;
}

std::int32_t PlainBranchSelector::FirstFreeRecord(const ProblemTables& tables) {
    std::int32_t free = 1;
    while (tables.BranchList.At(free).status != -2) {
        ++free;
    }
    return free;
}

SearchMethods PlainSearchMethods(ProblemTables& tables, RunMonitor& monitor) {
    return SearchMethods{std::make_unique<PlainRelaxation>(tables, monitor),
                         std::make_unique<PlainBranchSelector>(), false};
}

}  // namespace kova
