#include "optimiser/branch_selector.h"

#include <algorithm>

namespace kova {

void HeapBranchSelector::StartSearch() {
    open_ = {};
    recordsInUse_ = 0;
    depthFirst_ = false;
    stack_.clear();
    stackLeast_.clear();
}

void HeapBranchSelector::StartDepthFirst(const ProblemTables& tables) {
    depthFirst_ = true;
    // The heap's records, worst bound at the bottom of the stack.
    std::vector<Entry> entries;
    for (; !open_.empty(); open_.pop()) {
        const Entry& top = open_.top();
        const BranchRecord& record = tables.BranchList[static_cast<std::size_t>(top.second)];
        if (record.status == 0 && record.bound == top.first) {
            entries.push_back(top);
        }
    }
    stack_.clear();
    stackLeast_.clear();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        Push(it->second, it->first);
    }
}

void HeapBranchSelector::Push(std::int32_t record, double bound) {
    stack_.push_back(record);
    stackLeast_.push_back(stackLeast_.empty() ? bound : std::min(bound, stackLeast_.back()));
}

// Records leave the open set only by being branched or closed; drop those
// lazily, and heap entries of a record used again since, which carry its
// old bound.
void HeapBranchSelector::DropStale(const ProblemTables& tables) {
    if (depthFirst_) {
        while (!stack_.empty() &&
               tables.BranchList[static_cast<std::size_t>(stack_.back())].status != 0) {
            stack_.pop_back();
            stackLeast_.pop_back();
        }
        return;
    }
    while (!open_.empty()) {
        const BranchRecord& top = tables.BranchList[static_cast<std::size_t>(open_.top().second)];
        if (top.status == 0 && top.bound == open_.top().first) {
            break;
        }
        open_.pop();
    }
}

double HeapBranchSelector::BestOpenBound(const ProblemTables& tables) {
    DropStale(tables);
    if (depthFirst_) {
        return stackLeast_.empty() ? LargestDouble : stackLeast_.back();
    }
    return open_.empty() ? LargestDouble : open_.top().first;
}

bool HeapBranchSelector::SelectBranch(const ProblemTables& tables, std::int32_t& selected,
                                      std::int32_t& recordsInUse) {
    DropStale(tables);
    recordsInUse = recordsInUse_;
    if (depthFirst_) {
        selected = stack_.empty() ? 0 : stack_.back();
        return !stack_.empty();
    }
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
        if (depthFirst_) {
            Push(record, solved.bound);
        } else {
            open_.emplace(solved.bound, record);
        }
    }
}

void HeapBranchSelector::ChildrenCreated(std::int32_t first) {
    recordsInUse_ = std::max(recordsInUse_, first + 2);
}

}  // namespace kova
