// Best-first selection as the method is written: every selection and every
// search for a free record scans the branch list from index 0.
#pragma once

#include "optimiser/search_methods.h"

namespace kova {

class PlainBranchSelector final : public BranchSelector {
  public:
    void StartSearch() override {}
    bool SelectBranch(const ProblemTables& tables, std::int32_t& selected,
                      std::int32_t& recordsInUse) override;
    std::int32_t FirstFreeRecord(const ProblemTables& tables) override;
    void RecordSolved(std::int32_t /*record*/, const BranchRecord& /*solved*/) override {}
    void ChildrenCreated(std::int32_t /*first*/) override {}
    double BestOpenBound(const ProblemTables& tables) override;
};

// The oracle's methods: plain solver and plain selection.
SearchMethods PlainSearchMethods(ProblemTables& tables, RunMonitor& monitor);

}  // namespace kova
