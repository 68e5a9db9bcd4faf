// Best-first selection kept in a heap of the open records, so a selection
// costs O(log n) and never scans the branch list.
#pragma once

#include <queue>
#include <utility>
#include <vector>

#include "optimiser/search_methods.h"

namespace kova {

class HeapBranchSelector final : public BranchSelector {
  public:
    void StartSearch() override;
    bool SelectBranch(const ProblemTables& tables, std::int32_t& selected,
                      std::int32_t& recordsInUse) override;
    std::int32_t FirstFreeRecord(const ProblemTables& tables) override;
    void RecordSolved(std::int32_t record, const BranchRecord& solved) override;
    void ChildrenCreated(std::int32_t first) override;
    void StartDepthFirst(const ProblemTables& tables) override;
    bool DepthFirst() const override { return depthFirst_; }
    double BestOpenBound(const ProblemTables& tables) override;

  private:
    // (bound, index): the smallest bound first, then the lowest index.
    using Entry = std::pair<double, std::int32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open_;
    std::int32_t recordsInUse_ = 0;
    bool depthFirst_ = false;
    std::vector<std::int32_t> stack_;  // depth first: open records, the next last
    std::vector<double> stackLeast_;   // the smallest bound at or below each place
    void Push(std::int32_t record, double bound);
    void DropStale(const ProblemTables& tables);
};

}  // namespace kova
