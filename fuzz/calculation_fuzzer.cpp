// Runs whole calculations on arbitrary texts and checks what every run must
// give: an end for every accepted problem, and for every reported solution a
// circulation within the bounds whose finite costs add up to the reported total.
// A long search is stopped after a fixed number of solver steps.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "run/calculation_run.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class BoundedMonitor final : public kova::RunMonitor {
  public:
    void SetField(kova::LiveField, std::string_view) override {}
    void Pump() override { ++steps_; }
    bool StopRequested() override { return steps_ > 20000; }
    void ShowMessage(std::string_view, kova::MessageIcon) override {}
    kova::DateTime Now() override { return kova::DateTime{2026, 12, 7, 9, 30, 0}; }

  private:
    long steps_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    BoundedMonitor monitor;
    kova::CalculationRun run(monitor, 0.0);
    run.Run(text);
    if (!run.Accepted()) {
        Require(run.Error().has_value());
        return 0;
    }
    Require(run.End().has_value());
    const kova::ProblemTables& tables = run.Tables();
    if (tables.IncumbentUpdates == 0) {
        return 0;
    }
    std::map<std::string, std::int64_t> balance;
    double total = 0.0;
    // The reader refuses costs whose totals could leave the doubles.
    Require(std::isfinite(run.IncumbentCost()));
    bool finite = true;
    for (const auto& row : run.SolutionRows()) {
        Require(row.flow >= row.lower && row.flow <= row.upper);
        Require(std::isfinite(row.cost));
        balance[row.from] -= row.flow;
        balance[row.to] += row.flow;
        total += row.cost;
        finite = finite && std::isfinite(row.cost) && std::fabs(row.cost) < 1e12;
    }
    for (const auto& [node, net] : balance) {
        Require(net == 0);
    }
    if (finite) {
        Require(std::fabs(total - run.IncumbentCost()) <= 1e-6 * (1.0 + std::fabs(total)));
    }
    return 0;
}
