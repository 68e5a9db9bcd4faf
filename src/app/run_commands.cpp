#include "app/run_commands.h"

#include <QLocale>
#include <QPrinter>

#include "gui/app_texts.h"
#include "gui/document_text.h"
#include "gui/user_prompts.h"
#include "dialogs/init_settings_dialog.h"
#include "dialogs/results_dialog.h"
#include "dialogs/status_dialog.h"
#include "text/system_texts.h"

namespace kova::app {

RunCommands::RunCommands(SettingsStore& store, gui::UserPrompts& prompts)
    : store_(store), prompts_(prompts), localeCheck_(&RunCommands::JapaneseLocale) {}

RunCommands::~RunCommands() = default;

bool RunCommands::JapaneseLocale() {
    return QLocale::system().language() == QLocale::Japanese;
}

void RunCommands::RunOptimization(CKOVAView& view) {
    if (!localeCheck_()) {
        prompts_.ShowMessage(view.window(), gui::BytesToDisplay(Texts().nonJapaneseLocale),
                             gui::BoxIcon::Stop);
        return;
    }
    dataText_ = view.WindowText();
    if (dataText_.empty()) {
        prompts_.ShowMessage(view.window(), gui::BytesToDisplay(Texts().noInputData),
                             gui::BoxIcon::Stop);
        AppendNoInputData(results_);
        return;
    }
    results_ = RunResults{};
    settings_.ReadAll(store_);

    dialogs::CCalcStatusDlg dialog(prompts_, clock_ != nullptr ? *clock_ : systemClock_);
    dialog.dataText = dataText_;
    dialog.settings = settings_;
    if (QWidget* window = view.window()) {
        dialog.move(window->geometry().center() - dialog.rect().center());
    }
    if (beforeDialog) {
        beforeDialog(dialog);
    }
    dialog.exec();
    results_.runList = dialog.runList;
    results_.solution = dialog.solution;
}

void RunCommands::ShowResults(CKOVAView& view) {
    const std::string text = view.WindowText();
    if (!results_.runList.empty() && !text.empty()) {
        dialogs::CResultsDlg dialog(results_.runList, results_.solution, view.window());
        if (beforeDialog) {
            beforeDialog(dialog);
        }
        dialog.exec();
        return;
    }
    prompts_.ShowMessage(view.window(), QStringLiteral("最適化計算を実行しておりません！"),
                         gui::BoxIcon::Stop);
    results_ = RunResults{};
}

void RunCommands::EditInitSettings(CKOVAView& view) {
    dialogs::CInitSettingsDlg dialog(prompts_, view.window());
    settings_.ReadAll(store_);
    dialog.m_tolerance = settings_.tolerance;
    dialog.m_printData = settings_.printData;
    dialog.m_printFlow = settings_.printFlow;
    dialog.m_printRunList = settings_.printRunList;
    dialog.ShowMembers();
    if (beforeDialog) {
        beforeDialog(dialog);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    settings_.tolerance = dialog.m_tolerance;
    settings_.printData = dialog.m_printData;
    settings_.printFlow = dialog.m_printFlow;
    settings_.printRunList = dialog.m_printRunList;
    if (!settings_.WriteAll(store_)) {
        // The values hold for this session and are tried again at the next write.
        prompts_.ShowMessage(view.window(),
                             QString::fromUtf8(gui::kCannotStoreSettings)
                                 .arg(QString::fromStdString(store_.SyncError())),
                             gui::BoxIcon::Stop);
    }
}

void RunCommands::PrintData(CKOVAView& view) {
    dataText_ = view.WindowText();
    if (printer_ == nullptr) {
        ownPrinter_ = std::make_unique<QPrinter>();
        printer_ = ownPrinter_.get();
    }
    printing::PrintCommand command(store_, prompts_, clock_ != nullptr ? *clock_ : systemClock_,
                                   askPrinter_);
    command.Run(dataText_, results_, settings_, *printer_, view.window());
}

}  // namespace kova::app
