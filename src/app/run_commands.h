// The view's calculation commands: run, results and settings, with the
// results of the last run kept for the life of the process.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/calculation_commands.h"
#include "printing/print_command.h"
#include "run/calculation_run.h"
#include "settings/init_settings.h"
#include "text/clock.h"

class QDialog;
class QPrinter;

namespace kova {
class SettingsStore;
}

namespace kova::gui {
class UserPrompts;
}

namespace kova::app {

class RunCommands : public CalculationCommands {
  public:
    RunCommands(SettingsStore& store, gui::UserPrompts& prompts);
    ~RunCommands() override;

    void RunOptimization(EditorView& view) override;
    void ShowResults(EditorView& view) override;
    void EditInitSettings(EditorView& view) override;
    void PrintData(EditorView& view) override;
    const RunResults* LastResults() const override { return &results_; }
    void ForgetResults() override;
    // Where the editor's text comes from, to name it beside the results.
    void SetSourcePath(std::function<QString()> path) { sourcePath_ = std::move(path); }

    // Whether the user's locale is Japanese (the run refuses otherwise).
    static bool JapaneseLocale();

    // Test seams: the clock of each run and the locale check.
    void SetClock(Clock* clock) { clock_ = clock; }
    void SetLocaleCheck(std::function<bool()> check) { localeCheck_ = std::move(check); }
    // The printer that printer setup chose; the print command uses it.
    void SetPrinter(QPrinter* printer) { printer_ = printer; }
    void SetAskPrinter(printing::PrintCommand::AskPrinter ask) { askPrinter_ = std::move(ask); }

    const RunResults& Results() const { return results_; }
    RunResults& Results() { return results_; }
    const InitSettings& Settings() const { return settings_; }

  protected:
    // Runs each of the three dialogs modally; tests look at them here.
    virtual int ExecDialog(QDialog& dialog);

  private:
    Clock& RunClock();

    SettingsStore& store_;
    gui::UserPrompts& prompts_;
    SystemClock systemClock_;
    Clock* clock_ = nullptr;
    std::function<bool()> localeCheck_;
    QPrinter* printer_ = nullptr;
    std::unique_ptr<QPrinter> ownPrinter_;
    printing::PrintCommand::AskPrinter askPrinter_ = &printing::PrintCommand::RunPrintDialog;
    RunResults results_;
    std::string computedText_;  // the text the results were computed from
    QString computedSource_;
    std::function<QString()> sourcePath_;
    InitSettings settings_;
};

}  // namespace kova::app
