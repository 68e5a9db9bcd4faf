// The view's calculation commands: run, results and settings, with the
// results of the last run kept for the life of the process.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/kova_view.h"
#include "printing/print_command.h"
#include "run/calculation_run.h"
#include "text/clock.h"
#include "settings/init_settings.h"

namespace kova {
class SettingsStore;
}

namespace kova::gui {
class UserPrompts;
}

namespace kova::app {

class RunCommands final : public CalculationCommands {
  public:
    RunCommands(SettingsStore& store, gui::UserPrompts& prompts);
    ~RunCommands() override;

    void RunOptimization(CKOVAView& view) override;
    void ShowResults(CKOVAView& view) override;
    void EditInitSettings(CKOVAView& view) override;
    void PrintData(CKOVAView& view) override;

    // Whether the user's locale is Japanese (the run refuses otherwise).
    static bool JapaneseLocale();

    // Test seams: the clock of each run, the locale check, and a look at
    // the dialogs while they are open.
    void SetClock(Clock* clock) { clock_ = clock; }
    void SetLocaleCheck(std::function<bool()> check) { localeCheck_ = std::move(check); }
    // The printer that printer setup chose; the print command uses it.
    void SetPrinter(QPrinter* printer) { printer_ = printer; }
    void SetAskPrinter(printing::PrintCommand::AskPrinter ask) { askPrinter_ = std::move(ask); }

    const RunResults& Results() const { return results_; }
    RunResults& Results() { return results_; }
    const InitSettings& Settings() const { return settings_; }
    const std::string& DataText() const { return dataText_; }
    // Printing takes the editor's text afresh into the same string.
    std::string& DataTextForPrinting() { return dataText_; }
    // Called with each dialog just before it runs modally.
    std::function<void(QDialog&)> beforeDialog;

  private:
    SettingsStore& store_;
    gui::UserPrompts& prompts_;
    SystemClock systemClock_;
    Clock* clock_ = nullptr;
    std::function<bool()> localeCheck_;
    QPrinter* printer_ = nullptr;
    std::unique_ptr<QPrinter> ownPrinter_;
    printing::PrintCommand::AskPrinter askPrinter_ = &printing::PrintCommand::RunPrintDialog;
    RunResults results_;
    InitSettings settings_;
    std::string dataText_;
};

}  // namespace kova::app
