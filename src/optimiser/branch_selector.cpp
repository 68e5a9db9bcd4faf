#include "optimiser/branch_selector.h"

#include <algorithm>

namespace kova {

void HeapBranchSelector::StartSearch() {
    open_ = {};
    recordsInUse_ = 0;
}

bool HeapBranchSelector::SelectBranch(const ProblemTables& tables, std::int32_t& selected,
                                      std::int32_t& recordsInUse) {
    // Records leave the open set only by being branched; drop those lazily.
    while (!open_.empty() &&
           tables.BranchList[static_cast<std::size_t>(open_.top().second)].status != 0) {
        open_.pop();
    }
    recordsInUse = recordsInUse_;
    if (open_.empty()) {
        selected = 0;
        return false;
    }
    selected = open_.top().second;
    return true;
}

std::int32_t HeapBranchSelector::FirstFreeRecord(const ProblemTables& /*tables*/) {
    return std::max(recordsInUse_, 1);
}

void HeapBranchSelector::RecordSolved(std::int32_t record, const BranchRecord& solved) {
    recordsInUse_ = std::max(recordsInUse_, record + 1);
    // A bound at or above the largest double (or not a number) is never selected.
    if (solved.status == 0 && solved.bound < LargestDouble) {
        open_.emplace(solved.bound, record);
    }
}

void HeapBranchSelector::ChildrenCreated(std::int32_t first) {
    recordsInUse_ = std::max(recordsInUse_, first + 2);
}

}  // namespace kova
