#include "app/run_commands.h"

#include <QLocale>
#include <QPrinter>

#include "app/editor_view.h"
#include "dialogs/results_dialog.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/status_dialog.h"
#include "gui/app_texts.h"
#include "gui/document_text.h"
#include "gui/user_prompts.h"
#include "parser/problem_parser.h"
#include "text/system_texts.h"

namespace kova::app {

RunCommands::RunCommands(SettingsStore& store, gui::UserPrompts& prompts)
    : store_(store), prompts_(prompts), localeCheck_(&RunCommands::JapaneseLocale) {}

RunCommands::~RunCommands() = default;

bool RunCommands::JapaneseLocale() {
    return QLocale::system().language() == QLocale::Japanese;
}

void RunCommands::RunOptimization(EditorView& view) {
    if (!localeCheck_()) {
        prompts_.ShowMessage(view.window(), gui::BytesToDisplay(Texts().nonJapaneseLocale),
                             gui::BoxIcon::Stop);
        return;
    }
    bool lossy = false;
    std::string dataText = view.TextBytes(&lossy);
    if (dataText.empty()) {
        prompts_.ShowMessage(view.window(), gui::BytesToDisplay(Texts().noInputData),
                             gui::BoxIcon::Stop);
        AppendNoInputData(results_);
        return;
    }
    // Read as '?', two such names would be one node: no answer rather than
    // a wrong one, as kova-solve refuses them too.
    if (lossy) {
        const LineMark where = view.FirstCharacterWithoutCp932();
        prompts_.ShowMessage(view.window(),
                             QString::fromUtf8(gui::kNoCp932Form).arg(where.line).arg(where.text),
                             gui::BoxIcon::Stop);
        view.GoToLine(where.line);
        return;
    }
    results_ = RunResults{};
    view.ClearMarks(EditorView::MarkKind::Run);
    settings_.ReadAll(store_);

    dialogs::StatusDialog dialog(std::move(dataText), settings_.tolerance, prompts_, RunClock());
    if (QWidget* window = view.window()) {
        dialog.move(window->geometry().center() - dialog.rect().center());
    }
    ExecDialog(dialog);
    results_ = dialog.Results();
    computedText_ = view.TextBytes();
    computedSource_ = sourcePath_ ? sourcePath_() : QString();

    // After the run's message box: the lines in error, the cursor on the first.
    QList<LineMark> marks;
    for (const DataError& error : DataErrorsOf(results_.runList)) {
        marks.append(MarkOfError(error));
    }
    if (!marks.isEmpty()) {
        view.SetMarks(EditorView::MarkKind::Run, marks);
        view.GoToLine(marks.constFirst().line);
        view.setFocus();
    }
}

void RunCommands::ForgetResults() {
    results_ = RunResults{};
    computedText_.clear();
    computedSource_.clear();
}

void RunCommands::ShowResults(EditorView& view) {
    const std::string text = view.TextBytes();
    if (!results_.runList.empty() && !text.empty()) {
        dialogs::ResultsContext context;
        context.source = computedSource_;
        context.stale = text != computedText_;
        const int width = store_.ReadInt("Results window", "Width", 0);
        const int height = store_.ReadInt("Results window", "Height", 0);
        context.size = QSize(width, height);
        dialogs::ResultsDialog dialog(results_, context, view.window());
        ExecDialog(dialog);
        store_.WriteInt("Results window", "Width", dialog.WindowSize().width());
        store_.WriteInt("Results window", "Height", dialog.WindowSize().height());
        store_.Sync();
        return;
    }
    prompts_.ShowMessage(view.window(), QStringLiteral("最適化計算を実行しておりません！"),
                         gui::BoxIcon::Stop);
    results_ = RunResults{};
}

void RunCommands::EditInitSettings(EditorView& view) {
    settings_.ReadAll(store_);
    dialogs::SettingsDialog dialog(settings_, prompts_, view.window());
    if (ExecDialog(dialog) != QDialog::Accepted) {
        return;
    }
    settings_ = dialog.Values();
    if (!settings_.WriteAll(store_)) {
        // The values hold for this session and are tried again at the next write.
        prompts_.ShowMessage(view.window(),
                             QString::fromUtf8(gui::kCannotStoreSettings)
                                 .arg(QString::fromStdString(store_.SyncError())),
                             gui::BoxIcon::Stop);
    }
}

void RunCommands::PrintData(EditorView& view) {
    const std::string dataText = view.TextBytes();
    if (printer_ == nullptr) {
        ownPrinter_ = std::make_unique<QPrinter>();
        printer_ = ownPrinter_.get();
    }
    printing::PrintCommand command(store_, prompts_, RunClock(), askPrinter_);
    // Results of an earlier version of the text print only when asked to.
    if (!results_.runList.empty() && dataText != computedText_ &&
        !prompts_.AskYesNo(view.window(),
                           QStringLiteral("データは計算後に変更されています。\n"
                                          "計算結果も印刷しますか？"))) {
        command.Run(dataText, RunResults{}, settings_, *printer_, view.window());
        return;
    }
    command.Run(dataText, results_, settings_, *printer_, view.window());
}

int RunCommands::ExecDialog(QDialog& dialog) {
    return dialog.exec();
}

Clock& RunCommands::RunClock() {
    return clock_ != nullptr ? *clock_ : systemClock_;
}

}  // namespace kova::app
