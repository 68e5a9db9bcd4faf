#include "optimiser/solve_ticker.h"

#include <string>
#include <utility>

#include "text/date_time.h"

namespace kova {
namespace {

// Well inside the 50 ms a stop request may take; the field shows whole seconds.
constexpr auto kPumpInterval = std::chrono::milliseconds(20);

}  // namespace

bool SolveTicker::Start() {
    calls_ = 0;
    lastPump_ = std::chrono::steady_clock::now();
    monitor_.Pump();
    ShowElapsedTime(t_, monitor_);
    return monitor_.StopRequested();
}

bool SolveTicker::Check() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump_ >= kPumpInterval) {
        lastPump_ = now;
        monitor_.Pump();
        ShowElapsedTime(t_, monitor_);
    }
    return monitor_.StopRequested();
}

void ShowElapsedTime(ProblemTables& tables, RunMonitor& monitor) {
    tables.RunEndTime = monitor.Now();
    std::string text = ElapsedText(tables.RunStartTime, tables.RunEndTime);
    if (text != tables.ShownElapsedText) {
        tables.ShownElapsedText = std::move(text);
        monitor.SetField(LiveField::Elapsed, tables.ShownElapsedText);
    }
}

}  // namespace kova
