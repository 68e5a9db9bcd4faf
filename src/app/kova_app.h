// The application: start-up, the one document with its view and frame, and
// the commands that the application itself handles.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/recent_files.h"
#include "app/single_instance.h"

class QPrinter;

namespace kova {
class SettingsStore;
}

namespace kova::gui {
class UserPrompts;
}

namespace kova::app {

class CKOVADoc;
class CKOVAView;
class CMainFrame;
class CalculationCommands;

class CKOVAApp final : public QObject {
    Q_OBJECT
  public:
    enum class Start { Running, HandedOver, Failed };

    CKOVAApp(SettingsStore& store, gui::UserPrompts& prompts,
             QString instanceName = SingleInstance::DefaultServerName());
    ~CKOVAApp() override;

    // `file` empty: a new untitled document. With a file while another
    // instance runs, the file goes to that instance.
    Start InitInstance(const QString& file);

    CMainFrame& Frame() { return *frame_; }
    CKOVADoc& Document() { return *document_; }
    CKOVAView& View() { return *view_; }
    RecentFileList& RecentFiles() { return recentFiles_; }
    SingleInstance& Instance() { return instance_; }
    QPrinter& Printer() { return *printer_; }

    // The calculation commands of the view (set before or after start-up).
    void SetCalculationCommands(CalculationCommands* commands);

    // Asks to save a modified text first; false when nothing was opened.
    bool OpenDocumentFile(const QString& path);
    // A file that a second start handed over.
    void OnFileHandedOver(const QString& path);
    static constexpr int kHandOverRetryMs = 200;

  public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();
    void OnFilePrintSetup();
    void OnFilePrintPreview();

  private:
    void RouteCommands();
    void UpdateTitle();
    void ShowRecentFiles();

    SettingsStore& store_;
    gui::UserPrompts& prompts_;
    RecentFileList recentFiles_;
    SingleInstance instance_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<CMainFrame> frame_;
    CKOVAView* view_ = nullptr;  // owned by the frame
    std::unique_ptr<CKOVADoc> document_;
};

}  // namespace kova::app
