// Run monitor of the headless solver: the live fields as one refreshing
// status line on a terminal, messages kept for the caller, and the stop
// request raised by Ctrl+C, a time limit or a branch limit.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "optimiser/run_monitor.h"

namespace kova::cli {

// What raises the stop request besides RequestStop.
struct StopLimits {
    std::optional<double> timeLimitSeconds;
    std::optional<std::int64_t> maxBranches;
    const std::atomic<int>* interrupts = nullptr;  // Ctrl+C presses
};

class TerminalMonitor final : public RunMonitor {
  public:
    // `statusLine` null: no status line.
    TerminalMonitor(Clock& clock, std::ostream* statusLine, StopLimits limits = {});
    ~TerminalMonitor() override;

    void SetField(LiveField field, std::string_view text) override;
    void Pump() override {}
    bool StopRequested() override;
    void ShowMessage(std::string_view text, MessageIcon icon) override;
    DateTime Now() override { return clock_.Now(); }

    void RequestStop() { stop_ = true; }
    const std::vector<std::string>& Messages() const { return messages_; }
    const LiveFieldTexts& Fields() const { return fields_; }

    // Clears the status line before other output goes to the terminal.
    void ClearStatusLine();

  private:
    void DrawStatusLine();

    Clock& clock_;
    std::ostream* statusLine_;
    StopLimits limits_;
    std::chrono::steady_clock::time_point started_;
    bool stop_ = false;
    LiveFieldTexts fields_;
    std::vector<std::string> messages_;
    std::chrono::steady_clock::time_point lastDraw_{};
    bool drawn_ = false;
};

}  // namespace kova::cli
