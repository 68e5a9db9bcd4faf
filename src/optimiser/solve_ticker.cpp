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
    ShowElapsedTime();
    return monitor_.StopRequested();
}

bool SolveTicker::Check() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump_ >= kPumpInterval) {
        lastPump_ = now;
        monitor_.Pump();
        ShowElapsedTime();
    }
    return monitor_.StopRequested();
}

void SolveTicker::ShowElapsedTime() {
    t_.RunEndTime = monitor_.Now();
    std::string text = ElapsedText(t_.RunStartTime, t_.RunEndTime);
    if (text != t_.ShownElapsedText) {
        t_.ShownElapsedText = std::move(text);
        monitor_.SetField(LiveField::Elapsed, t_.ShownElapsedText);
    }
}

}  // namespace kova
