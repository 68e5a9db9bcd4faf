// The modal status window of one calculation: six live fields, the forced
// stop, and the calculation itself, run in the first tick of its timer.
#pragma once

#include <QDialog>
#include <array>
#include <chrono>
#include <string>

#include "optimiser/run_monitor.h"
#include "run/calculation_run.h"
#include "text/clock.h"

class QLabel;
class QPushButton;

namespace kova::gui {
class UserPrompts;
}

namespace kova::dialogs {

class StatusDialog final : public QDialog, public RunMonitor {
    Q_OBJECT
  public:
    static constexpr int kTimerPeriodMs = 50;
    // Longest time between two looks at pending events while the optimiser runs.
    static constexpr std::chrono::milliseconds kPumpInterval{10};

    // Runs `dataText` (code page 932) with `tolerance`; `clock` reads the
    // date and time of the run (a fixed one in tests).
    StatusDialog(std::string dataText, double tolerance, gui::UserPrompts& prompts, Clock& clock);

    // The two texts of the run, once the window has closed.
    const RunResults& Results() const { return results_; }

    QLabel* Field(LiveField field) const { return fields_[LiveFieldIndex(field)]; }
    QPushButton* StopButton() const { return stopButton_; }
    bool StopWasRequested() const { return stopRequested_; }

    // RunMonitor
    void SetField(LiveField field, std::string_view text) override;
    void Pump() override;
    bool StopRequested() override { return stopRequested_; }
    void ShowMessage(std::string_view text, MessageIcon icon) override;
    DateTime Now() override { return clock_.Now(); }

  public slots:
    // Every cancel request (button, close box, Escape) asks for the stop;
    // only the run closes the window.
    void RequestStop();
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void RunCalculation();
    void ShowPendingFields();

    std::string dataText_;
    double tolerance_;
    RunResults results_;
    gui::UserPrompts& prompts_;
    Clock& clock_;
    std::array<QLabel*, kLiveFields.size()> fields_{};
    LiveFieldTexts shown_;
    LiveFieldTexts pending_;
    QPushButton* stopButton_ = nullptr;
    bool stopRequested_ = false;
    bool timerArmed_ = false;
    bool running_ = false;
    std::chrono::steady_clock::time_point lastPump_{};
};

}  // namespace kova::dialogs
