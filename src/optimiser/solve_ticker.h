// What a long flow solve owes the user: the interface pumped, the stop
// request heard, the elapsed-time field moving. Called once per unit of
// work (a pivot, a path search); it reads the clock only every few calls.
#pragma once

#include <chrono>
#include <cstdint>

#include "model/problem_tables.h"
#include "optimiser/run_monitor.h"

namespace kova {

// Reads the clock into RunEndTime and writes the elapsed-time field when
// its text changed.
void ShowElapsedTime(ProblemTables& tables, RunMonitor& monitor);

class SolveTicker {
  public:
    SolveTicker(ProblemTables& tables, RunMonitor& monitor) : t_(tables), monitor_(monitor) {}

    // At the start of a solve: one pump, the elapsed time shown at once.
    // True when the user asked to stop.
    bool Start();
    // True when the user asked to stop.
    bool Tick() {
        if (++calls_ < kCallsBetweenClockChecks) {
            return false;
        }
        calls_ = 0;
        return Check();
    }

  private:
    static constexpr std::uint32_t kCallsBetweenClockChecks = 32;
    bool Check();

    ProblemTables& t_;
    RunMonitor& monitor_;
    std::uint32_t calls_ = 0;
    std::chrono::steady_clock::time_point lastPump_{};
};

}  // namespace kova
