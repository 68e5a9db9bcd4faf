#include "app/kova_app.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

#include "app/about_dialog.h"
#include "gui/app_texts.h"
#include "app/command_table.h"
#include "app/kova_doc.h"
#include "app/kova_view.h"
#include "app/main_frame.h"
#include "app/print_file.h"
#include "gui/user_prompts.h"

namespace kova::app {

CKOVAApp::CKOVAApp(SettingsStore& store, gui::UserPrompts& prompts, QString instanceName)
    : store_(store),
      prompts_(prompts),
      recentFiles_(store),
      instance_(std::move(instanceName)),
      printer_(std::make_unique<QPrinter>()) {
    frame_ = std::make_unique<CMainFrame>(store_);
    view_ = new CKOVAView(frame_.get());
    view_->setObjectName(QStringLiteral("EditorView"));
    frame_->setCentralWidget(view_);
    document_ = std::make_unique<CKOVADoc>(*view_, prompts_);
    RouteCommands();
}

CKOVAApp::~CKOVAApp() = default;

CKOVAApp::Start CKOVAApp::InitInstance(const QString& file) {
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    if (!path.isEmpty() && instance_.HandOver(path)) {
        return Start::HandedOver;
    }
    recentFiles_.Load();
    ShowRecentFiles();
    if (path.isEmpty()) {
        document_->OnNewDocument();
    } else if (!document_->OnOpenDocument(path)) {
        return Start::Failed;
    }
    UpdateTitle();
    // Without the server (another instance holds it) this window still works.
    instance_.Listen();
    frame_->ActivateFrame(Qt::WindowNoState);
    view_->setFocus();
    return Start::Running;
}

void CKOVAApp::SetCalculationCommands(CalculationCommands* commands) {
    view_->SetCalculationCommands(commands);
}

void CKOVAApp::RouteCommands() {
    CMainFrame& frame = *frame_;
    const auto route = [&frame](int id, auto* receiver, auto handler) {
        connect(frame.Action(id), &QAction::triggered, receiver, handler);
    };
    route(ID_FILE_NEW, this, &CKOVAApp::OnFileNew);
    route(ID_FILE_OPEN, this, &CKOVAApp::OnFileOpen);
    route(ID_FILE_SAVE, document_.get(), [this] { document_->DoFileSave(); });
    route(ID_FILE_SAVE_AS, document_.get(), [this] { document_->DoSave(QString()); });
    route(ID_FILE_PRINT, view_, &CKOVAView::OnPrintData);
    route(ID_FILE_PRINT_PREVIEW, this, &CKOVAApp::OnFilePrintPreview);
    route(ID_FILE_PRINT_SETUP, this, &CKOVAApp::OnFilePrintSetup);
    route(ID_APP_EXIT, frame_.get(), &QWidget::close);
    route(ID_EDIT_UNDO, view_, &QPlainTextEdit::undo);
    route(ID_EDIT_CUT, view_, &QPlainTextEdit::cut);
    route(ID_EDIT_COPY, view_, &QPlainTextEdit::copy);
    route(ID_EDIT_PASTE, view_, &QPlainTextEdit::paste);
    route(ID_INIT_SETTINGS, view_, &CKOVAView::OnInitSettings);
    route(ID_RUN_OPTIMIZATION, view_, &CKOVAView::OnRunOptimization);
    route(ID_SHOW_RESULTS, view_, &CKOVAView::OnShowResults);
    route(ID_APP_ABOUT, this, &CKOVAApp::OnAppAbout);

    frame.Action(ID_EDIT_UNDO)->setEnabled(false);
    frame.Action(ID_EDIT_CUT)->setEnabled(false);
    frame.Action(ID_EDIT_COPY)->setEnabled(false);
    connect(view_, &QPlainTextEdit::undoAvailable, frame.Action(ID_EDIT_UNDO),
            &QAction::setEnabled);
    connect(view_, &QPlainTextEdit::copyAvailable, frame.Action(ID_EDIT_CUT), &QAction::setEnabled);
    connect(view_, &QPlainTextEdit::copyAvailable, frame.Action(ID_EDIT_COPY),
            &QAction::setEnabled);

    connect(document_.get(), &CKOVADoc::TitleChanged, this, &CKOVAApp::UpdateTitle);
    connect(document_.get(), &CKOVADoc::PathUsed, this, [this](const QString& path) {
        recentFiles_.Add(path);
        ShowRecentFiles();
    });
    connect(&frame, &CMainFrame::RecentFileChosen, this, [this](const QString& path) {
        if (!QFileInfo(path).isFile()) {
            // Gone since it was used: report it once and forget it.
            document_->OnOpenDocument(path);
            recentFiles_.Remove(path);
            ShowRecentFiles();
            return;
        }
        OpenDocumentFile(path);
    });
    const auto openFirst = [this](const QStringList& paths) {
        frame_->activateWindow();
        OpenDocumentFile(paths.constFirst());
    };
    connect(&frame, &CMainFrame::FilesDropped, this, openFirst);
    connect(view_, &CKOVAView::FilesDropped, this, [openFirst](const QList<QUrl>& urls) {
        QStringList paths;
        for (const QUrl& url : urls) {
            if (url.isLocalFile()) {
                paths.append(url.toLocalFile());
            }
        }
        if (!paths.isEmpty()) {
            openFirst(paths);
        }
    });
    connect(&instance_, &SingleInstance::FileRequested, this, &CKOVAApp::OnFileHandedOver);
    frame.SetCloseGuard([this] { return document_->SaveModified(); });
    connect(&frame, &CMainFrame::SettingsNotStored, this, [this](const QString& reason) {
        prompts_.ShowMessage(frame_.get(), QString::fromUtf8(gui::kCannotStoreSettings).arg(reason),
                             gui::BoxIcon::Stop);
    });
}

void CKOVAApp::OnFileHandedOver(const QString& path) {
    // While a dialog (a calculation among them) owns the window, the file waits.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kHandOverRetryMs, this, [this, path] { OnFileHandedOver(path); });
        return;
    }
    frame_->ActivateFrame(frame_->windowState() & ~Qt::WindowMinimized);
    frame_->raise();
    frame_->activateWindow();
    OpenDocumentFile(path);
}

bool CKOVAApp::OpenDocumentFile(const QString& path) {
    if (!document_->SaveModified()) {
        return false;
    }
    return document_->OnOpenDocument(path);
}

void CKOVAApp::OnFileNew() {
    if (document_->SaveModified()) {
        document_->OnNewDocument();
    }
}

void CKOVAApp::OnFileOpen() {
    if (!document_->SaveModified()) {
        return;
    }
    const QString directory = document_->PathName().isEmpty()
                                  ? QString()
                                  : QFileInfo(document_->PathName()).absolutePath();
    const QString path = prompts_.AskOpenPath(frame_.get(), directory);
    if (!path.isEmpty()) {
        document_->OnOpenDocument(path);
    }
}

void CKOVAApp::OnAppAbout() {
    CAboutDlg about(frame_.get());
    about.exec();
}

void CKOVAApp::OnFilePrintSetup() {
    QPrintDialog dialog(printer_.get(), frame_.get());
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.exec();
}

void CKOVAApp::OnFilePrintPreview() {
    // The editor's own pagination.
    QPrintPreviewDialog preview(printer_.get(), frame_.get());
    connect(&preview, &QPrintPreviewDialog::paintRequested, view_,
            [this](QPrinter* printer) { PrintEditorPages(*view_, view_->WindowText(), printer); });
    preview.exec();
}

void CKOVAApp::UpdateTitle() {
    frame_->setWindowTitle(document_->Title() + QStringLiteral(" - ") +
                           QString::fromUtf8(gui::kAppTitle));
}

void CKOVAApp::ShowRecentFiles() {
    frame_->SetRecentFiles(recentFiles_.Paths());
}

}  // namespace kova::app
