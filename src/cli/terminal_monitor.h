// Run monitor of the headless solver: the live fields as one refreshing
// status line on a terminal, messages kept for the caller.
#pragma once

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "run/run_monitor.h"

namespace kova::cli {

class TerminalMonitor final : public RunMonitor {
  public:
    // `statusLine` null: no status line.
    TerminalMonitor(Clock& clock, std::ostream* statusLine);
    ~TerminalMonitor() override;

    void SetField(LiveField field, std::string_view text) override;
    void Pump() override {}
    bool StopRequested() override { return stop_.load(std::memory_order_relaxed); }
    void ShowMessage(std::string_view text, MessageIcon icon) override;
    DateTime Now() override { return clock_.Now(); }

    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    const std::vector<std::string>& Messages() const { return messages_; }
    const LiveFieldTexts& Fields() const { return fields_; }

    // Clears the status line before other output goes to the terminal.
    void ClearStatusLine();

  private:
    void DrawStatusLine();

    Clock& clock_;
    std::ostream* statusLine_;
    LiveFieldTexts fields_;
    std::vector<std::string> messages_;
    std::atomic<bool> stop_{false};
    std::chrono::steady_clock::time_point lastDraw_{};
    bool drawn_ = false;
};

}  // namespace kova::cli
