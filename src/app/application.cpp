#include "app/application.h"

#include <QAction>
#include <QTextBlock>
#include <QApplication>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/about_dialog.h"
#include "app/calculation_commands.h"
#include "app/command_table.h"
#include "app/document.h"
#include "app/editor_view.h"
#include "app/find_bar.h"
#include "app/typing_check.h"
#include "app/main_window.h"
#include "app/network_window.h"
#include "files/output_file.h"
#include "formats/arc_table.h"
#include "formats/dimacs.h"
#include "formats/mip_model.h"
#include "parser/problem_parser.h"
#include "drawing/network_picture.h"
#include "run/calculation_run.h"
#include "settings/init_settings.h"
#include "app/print_file.h"
#include "app/tool_icons.h"
#include "gui/app_texts.h"
#include "gui/user_prompts.h"

namespace kova::app {
namespace {

QString EncodingName(FileEncoding encoding) {
    switch (encoding) {
        case FileEncoding::Utf8:
            return QString::fromUtf8(gui::kEncodingUtf8);
        case FileEncoding::Utf8WithBom:
            return QString::fromUtf8(gui::kEncodingUtf8Bom);
        case FileEncoding::Cp932:
        case FileEncoding::Unknown:
            break;
    }
    return QStringLiteral("Shift_JIS");
}

}  // namespace

Application::Application(SettingsStore& store, gui::UserPrompts& prompts, QString instanceName)
    : store_(store),
      prompts_(prompts),
      recentFiles_(store),
      instance_(std::move(instanceName)),
      printer_(std::make_unique<QPrinter>()) {
    UseDesktopIconTheme();
    window_ = std::make_unique<MainWindow>(store_);
    // The find bar sits under the text.
    auto* central = new QWidget(window_.get());
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    view_ = new EditorView(central);
    view_->setObjectName(QStringLiteral("EditorView"));
    findBar_ = new FindBar(*view_, central);
    column->addWidget(view_, 1);
    column->addWidget(findBar_);
    window_->setCentralWidget(central);
    typingCheck_ = new TypingCheck(*view_);
    document_ = std::make_unique<Document>(*view_, prompts_);
    ConnectCommands();
    ReadEditorSettings();
}

Application::~Application() = default;

Application::StartResult Application::Start(const QString& file) {
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    if (!path.isEmpty() && instance_.HandOver(path)) {
        return StartResult::HandedOver;
    }
    recentFiles_.Load();
    ShowRecentFiles();
    if (path.isEmpty()) {
        document_->Clear();
    } else if (!document_->LoadFile(path)) {
        return StartResult::Failed;
    }
    UpdateTitle();
    // Without the server (another instance holds it) this window still works.
    instance_.Listen();
    window_->Activate(Qt::WindowNoState);
    view_->setFocus();
    return StartResult::Running;
}

void Application::ConnectCommands() {
    MainWindow& window = *window_;
    const auto route = [&window](int id, auto* receiver, auto handler) {
        connect(window.Action(id), &QAction::triggered, receiver, handler);
    };
    route(ID_FILE_NEW, this, &Application::NewFile);
    route(ID_FILE_OPEN, this, &Application::Open);
    route(ID_FILE_SAVE, document_.get(), [this] { document_->Save(); });
    route(ID_FILE_SAVE_AS, document_.get(), [this] { document_->SaveAs(); });
    route(ID_FILE_PRINT, this, [this] { RunCalculationCommand(&CalculationCommands::PrintData); });
    route(ID_FILE_PRINT_PREVIEW, this, &Application::PrintPreview);
    route(ID_FILE_PRINT_SETUP, this, &Application::PrintSetup);
    route(ID_APP_EXIT, window_.get(), &QWidget::close);
    route(ID_EDIT_UNDO, view_, &QPlainTextEdit::undo);
    route(ID_EDIT_REDO, view_, &QPlainTextEdit::redo);
    route(ID_EDIT_FIND, findBar_, &FindBar::ShowFind);
    route(ID_EDIT_REPEAT, findBar_, &FindBar::FindNext);
    route(ID_EDIT_FIND_PREVIOUS, findBar_, &FindBar::FindPrevious);
    route(ID_EDIT_REPLACE, findBar_, &FindBar::ShowReplace);
    route(ID_EDIT_GOTO_LINE, this, &Application::GoToLine);
    route(ID_EDIT_CUT, view_, &QPlainTextEdit::cut);
    route(ID_EDIT_COPY, view_, &QPlainTextEdit::copy);
    route(ID_EDIT_PASTE, view_, &QPlainTextEdit::paste);
    route(ID_INIT_SETTINGS, this, [this] {
        RunCalculationCommand(&CalculationCommands::EditInitSettings);
        ReadEditorSettings();
    });
    route(ID_RUN_OPTIMIZATION, this, [this] {
        RunCalculationCommand(&CalculationCommands::RunOptimization);
        RefreshNetwork();
    });
    route(ID_VIEW_NETWORK, this, &Application::ShowNetwork);
    route(ID_FILE_IMPORT, this, &Application::Import);
    route(ID_FILE_EXPORT_MODEL, this, &Application::ExportModel);
    route(ID_SHOW_RESULTS, this,
          [this] { RunCalculationCommand(&CalculationCommands::ShowResults); });
    route(ID_APP_ABOUT, this, &Application::About);
    route(ID_AUTHOR_HOMEPAGE, &window, &MainWindow::OpenHomepage);
    route(ID_HELP_FINDER, &window, &MainWindow::ShowManual);
    route(ID_HELP, &window, &MainWindow::ShowManual);
    route(ID_DEFAULT_HELP, &window, &MainWindow::ShowManual);
    route(ID_CONTEXT_HELP, &window, &MainWindow::EnterContextHelp);
    connect(window.Action(ID_VIEW_TOOLBAR), &QAction::toggled, window.ToolBar(),
            &QToolBar::setVisible);
    connect(window.Action(ID_VIEW_STATUS_BAR), &QAction::toggled, window.statusBar(),
            &QStatusBar::setVisible);

    window.Action(ID_EDIT_UNDO)->setEnabled(false);
    window.Action(ID_EDIT_REDO)->setEnabled(false);
    window.Action(ID_EDIT_CUT)->setEnabled(false);
    window.Action(ID_EDIT_COPY)->setEnabled(false);
    connect(view_, &QPlainTextEdit::undoAvailable, window.Action(ID_EDIT_UNDO),
            &QAction::setEnabled);
    connect(view_, &QPlainTextEdit::redoAvailable, window.Action(ID_EDIT_REDO),
            &QAction::setEnabled);
    connect(view_, &QPlainTextEdit::copyAvailable, window.Action(ID_EDIT_CUT),
            &QAction::setEnabled);
    connect(view_, &QPlainTextEdit::copyAvailable, window.Action(ID_EDIT_COPY),
            &QAction::setEnabled);

    connect(view_, &QPlainTextEdit::cursorPositionChanged, &window, [this] {
        const QTextCursor cursor = view_->textCursor();
        window_->ShowCursorPosition(cursor.blockNumber() + 1, cursor.positionInBlock() + 1);
    });
    connect(document_.get(), &Document::EncodingChanged, &window, [this](FileEncoding encoding) {
        window_->ShowEncoding(EncodingName(encoding));
        window_->statusBar()->clearMessage();
    });
    connect(document_.get(), &Document::Notice, &window,
            [this](const QString& text) { window_->statusBar()->showMessage(text); });
    connect(document_.get(), &Document::TitleChanged, this, &Application::UpdateTitle);
    connect(document_.get(), &Document::PathUsed, this, [this](const QString& path) {
        recentFiles_.Add(path);
        ShowRecentFiles();
    });
    connect(&window, &MainWindow::RecentFileChosen, this, [this](const QString& path) {
        if (!QFileInfo(path).isFile()) {
            // Gone since it was used: report it once and forget it.
            document_->LoadFile(path);
            recentFiles_.Remove(path);
            ShowRecentFiles();
            return;
        }
        OpenFile(path);
    });
    const auto openFirst = [this](const QStringList& paths) {
        window_->activateWindow();
        OpenFile(paths.constFirst());
    };
    connect(&window, &MainWindow::FilesDropped, this, openFirst);
    connect(view_, &EditorView::FilesDropped, this, openFirst);
    connect(&instance_, &SingleInstance::FileRequested, this, &Application::OpenHandedOverFile);
    window.SetCloseGuard([this] { return document_->MaybeSave(); });
    connect(&window, &MainWindow::SettingsNotStored, this, [this](const QString& reason) {
        prompts_.ShowMessage(window_.get(),
                             QString::fromUtf8(gui::kCannotStoreSettings).arg(reason),
                             gui::BoxIcon::Stop);
    });
}

void Application::OpenHandedOverFile(const QString& path) {
    // While a dialog (a calculation among them) owns the window, the file waits.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kHandOverRetryMs, this, [this, path] { OpenHandedOverFile(path); });
        return;
    }
    window_->Activate(window_->windowState() & ~Qt::WindowMinimized);
    window_->raise();
    window_->activateWindow();
    OpenFile(path);
}

bool Application::OpenFile(const QString& path) {
    if (!document_->MaybeSave()) {
        return false;
    }
    if (!document_->LoadFile(path)) {
        return false;
    }
    ForgetResults();
    return true;
}

void Application::NewFile() {
    if (document_->MaybeSave()) {
        document_->Clear();
        ForgetResults();
    }
}

void Application::ForgetResults() {
    if (commands_ != nullptr) {
        commands_->ForgetResults();
    }
    RefreshNetwork();
}

void Application::Open() {
    if (!document_->MaybeSave()) {
        return;
    }
    const QString directory = document_->FilePath().isEmpty()
                                  ? QString()
                                  : QFileInfo(document_->FilePath()).absolutePath();
    const QString path = prompts_.AskOpenPath(window_.get(), directory);
    if (!path.isEmpty() && document_->LoadFile(path)) {
        ForgetResults();
    }
}

void Application::Import() {
    if (!document_->MaybeSave()) {
        return;
    }
    const QString path = prompts_.AskImportPath(window_.get(), QString());
    if (path.isEmpty()) {
        return;
    }
    QString reason;
    const std::optional<std::string> bytes = Document::ReadFile(path, &reason);
    if (!bytes) {
        prompts_.ShowMessage(window_.get(), path + QStringLiteral(": ") + reason, gui::BoxIcon::Stop);
        return;
    }
    const std::string title = QFileInfo(path).completeBaseName().toStdString();
    const formats::Conversion converted =
        path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)
            ? formats::ArcTableToProblem(*bytes, title)
            : formats::DimacsToProblem(*bytes, title);
    if (!converted.ok()) {
        prompts_.ShowMessage(window_.get(),
                             QFileInfo(path).fileName() + QStringLiteral(": ") +
                                 QString::fromStdString(converted.error),
                             gui::BoxIcon::Stop);
        return;
    }
    document_->SetImportedText(converted.text);
    ForgetResults();
}

void Application::ExportModel() {
    ProblemTables tables;
    SystemClock clock;
    ProblemParser parser(tables, clock);
    std::string runList;
    const std::string text = view_->TextBytes();
    if (text.empty() || !parser.ParseProblem(text, runList)) {
        prompts_.ShowMessage(window_.get(),
                             QStringLiteral("モデルを書き出せません: データに誤りがあるか、データがありません。"),
                             gui::BoxIcon::Stop);
        return;
    }
    bool mps = false;
    const QString suggestion = document_->FilePath().isEmpty()
                                   ? QStringLiteral("model.lp")
                                   : QFileInfo(document_->FilePath()).completeBaseName() +
                                         QStringLiteral(".lp");
    const QString path = prompts_.AskModelPath(window_.get(), suggestion, &mps);
    if (path.isEmpty()) {
        return;
    }
    const formats::MipModel model = formats::BuildMipModel(tables);
    const std::string error =
        ReplaceFile(path.toStdString(), mps ? formats::MpsText(model) : formats::LpText(model));
    if (!error.empty()) {
        prompts_.ShowMessage(window_.get(),
                             path + QStringLiteral(": ") + QString::fromStdString(error),
                             gui::BoxIcon::Stop);
    }
}

void Application::GoToLine() {
    const int line = prompts_.AskLineNumber(window_.get(), view_->textCursor().blockNumber() + 1,
                                            view_->document()->blockCount());
    if (line > 0) {
        view_->GoToLine(line);
    }
    view_->setFocus();
}

void Application::ReadEditorSettings() {
    InitSettings settings;
    settings.ReadAll(store_);
    typingCheck_->SetEnabled(settings.checkWhileTyping);
}

void Application::About() {
    AboutDialog about(window_.get());
    about.exec();
}

void Application::PrintSetup() {
    QPrintDialog dialog(printer_.get(), window_.get());
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.exec();
}

void Application::PrintPreview() {
    // The editor's own pagination.
    QPrintPreviewDialog preview(printer_.get(), window_.get());
    connect(&preview, &QPrintPreviewDialog::paintRequested, view_,
            [this](QPrinter* printer) { PrintEditorPages(*view_, view_->TextBytes(), printer); });
    preview.exec();
}

void Application::ShowNetwork() {
    if (!network_) {
        network_ = std::make_unique<NetworkWindow>(nullptr);
        connect(network_.get(), &NetworkWindow::ArcClicked, this, &Application::SelectArcLine);
        connect(view_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
            if (network_ && network_->isVisible()) {
                network_->HighlightArc(drawing::ArcAtLine(
                    network_->Picture(), view_->textCursor().blockNumber() + 1));
            }
        });
    }
    RefreshNetwork();
    network_->show();
    network_->raise();
    network_->activateWindow();
}

void Application::RefreshNetwork() {
    if (!network_) {
        return;
    }
    std::optional<drawing::NetworkPicture> picture = drawing::PictureOfText(view_->TextBytes());
    if (!picture) {
        network_->ShowNotice(QStringLiteral(
            "ネットワーク図を描けません: データに誤りがあるか、データがありません。"));
        return;
    }
    if (commands_ != nullptr && commands_->LastResults() != nullptr) {
        const RunResults& results = *commands_->LastResults();
        drawing::AddFlows(*picture, results.rows, results.total);
    }
    network_->ShowPicture(std::move(*picture));
}

void Application::SelectArcLine(int arcNumber) {
    const drawing::NetworkPicture& picture = network_->Picture();
    if (arcNumber < 1 || arcNumber > static_cast<int>(picture.arcs.size())) {
        return;
    }
    const int line = picture.arcs[static_cast<std::size_t>(arcNumber - 1)].line;
    const QTextBlock block = view_->document()->findBlockByNumber(line - 1);
    if (!block.isValid()) {
        return;
    }
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    view_->setTextCursor(cursor);
    view_->centerCursor();
    window_->activateWindow();
}

void Application::RunCalculationCommand(void (CalculationCommands::*command)(EditorView&)) {
    if (commands_ != nullptr) {
        (commands_->*command)(*view_);
    }
}

void Application::UpdateTitle() {
    window_->setWindowTitle(document_->Title() + QStringLiteral(" - ") +
                            QString::fromUtf8(gui::kAppTitle));
}

void Application::ShowRecentFiles() {
    window_->SetRecentFiles(recentFiles_.Paths());
}

}  // namespace kova::app
