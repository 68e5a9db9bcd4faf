// The application: start-up, the one document with its editor and main
// window, and every command of the window connected to its handler.
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

class CalculationCommands;
class Document;
class EditorView;
class FindBar;
class TypingCheck;
class MainWindow;
class NetworkWindow;

class Application final : public QObject {
    Q_OBJECT
  public:
    enum class StartResult { Running, HandedOver, Failed };

    Application(SettingsStore& store, gui::UserPrompts& prompts,
                QString instanceName = SingleInstance::DefaultServerName());
    ~Application() override;

    // `file` empty: a new untitled document. With a file while another
    // instance runs, the file goes to that instance.
    StartResult Start(const QString& file);

    MainWindow& Window() { return *window_; }
    // Nothing before 表示 → ネットワーク図 was first chosen.
    NetworkWindow* Network() { return network_.get(); }
    Document& CurrentDocument() { return *document_; }
    EditorView& Editor() { return *view_; }
    FindBar& Find() { return *findBar_; }
    TypingCheck& Checker() { return *typingCheck_; }
    RecentFileList& RecentFiles() { return recentFiles_; }
    SingleInstance& Instance() { return instance_; }
    QPrinter& Printer() { return *printer_; }

    // The handlers of the calculation commands (set before or after start-up).
    void SetCalculationCommands(CalculationCommands* commands) { commands_ = commands; }

    // Asks to save a modified text first; false when nothing was opened.
    bool OpenFile(const QString& path);
    // A file that a second start handed over.
    void OpenHandedOverFile(const QString& path);
    static constexpr int kHandOverRetryMs = 200;

  public slots:
    void NewFile();
    void Open();
    void About();
    void PrintSetup();
    void PrintPreview();
    // 表示 → ネットワーク図: the current text's network with the last flows.
    void ShowNetwork();
    // A DIMACS or arc-table file as a new untitled document.
    void Import();
    // The text as a MIP model in LP or MPS form.
    void ExportModel();
    // 編集 → 行へ移動.
    void GoToLine();

  private:
    // Every command of the window to its handler, here alone.
    void ConnectCommands();
    // Hands the editor to a calculation command, once one is set.
    void RunCalculationCommand(void (CalculationCommands::*command)(EditorView&));
    void UpdateTitle();
    // The network window, when open, follows the text and its last results.
    void RefreshNetwork();
    // Another text took the editor: the old text's results go.
    void ForgetResults();
    void SelectArcLine(int arcNumber);
    void ShowRecentFiles();
    // The editor's check while typing as the settings say.
    void ReadEditorSettings();

    SettingsStore& store_;
    gui::UserPrompts& prompts_;
    RecentFileList recentFiles_;
    SingleInstance instance_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<MainWindow> window_;
    EditorView* view_ = nullptr;  // owned by the window
    FindBar* findBar_ = nullptr;  // owned by the window
    TypingCheck* typingCheck_ = nullptr;  // owned by the view
    std::unique_ptr<Document> document_;
    CalculationCommands* commands_ = nullptr;
    std::unique_ptr<NetworkWindow> network_;  // made when first shown
};

}  // namespace kova::app
