// The print command: the data text, the run list and the solution as the
// settings choose, with a header on every page.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "run/calculation_run.h"
#include "settings/init_settings.h"
#include "text/clock.h"

class QPrinter;

namespace kova {
class SettingsStore;
}

namespace kova::gui {
class UserPrompts;
}

namespace kova::printing {

class PrintCommand {
  public:
    // Runs the printer dialog on `printer`; false when the user cancels.
    using AskPrinter = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static bool RunPrintDialog(QPrinter& printer, QWidget* parent);

    PrintCommand(SettingsStore& store, gui::UserPrompts& prompts, Clock& clock,
                 AskPrinter askPrinter = &PrintCommand::RunPrintDialog)
        : store_(store), prompts_(prompts), clock_(clock), askPrinter_(std::move(askPrinter)) {}

    // `settings` receives the three flags as read now.
    void Run(const std::string& dataText, const RunResults& results, InitSettings& settings,
             QPrinter& printer, QWidget* parent);

  private:
    SettingsStore& store_;
    gui::UserPrompts& prompts_;
    Clock& clock_;
    AskPrinter askPrinter_;
};

}  // namespace kova::printing
