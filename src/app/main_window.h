// The application's main window: menu, tool bar, status bar around the
// editor view, the window's own commands (help, home page), and where and how
// it was left: its normal rectangle, minimised and maximised state and its
// bars, in section "Window size" of the settings store.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace kova {
class SettingsStore;
}

namespace kova::app {

class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr QRect kDefaultRect{10, 10, 790, 590};  // (10, 10)-(800, 600)

    explicit MainWindow(SettingsStore& store, QWidget* parent = nullptr);

    // The action of a command of the command table (nullptr for unknown ids).
    QAction* Action(int commandId) const { return actions_.value(commandId, nullptr); }
    QToolBar* ToolBar() const { return toolBar_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QLabel* IdlePrompt() const { return idlePrompt_; }
    QLabel* CursorPane() const { return cursorPane_; }
    QLabel* EncodingPane() const { return encodingPane_; }

    // The editor cursor's line and column (from 1) in their pane.
    void ShowCursorPosition(int line, int column);
    void ShowEncoding(const QString& name);

    // Shows the recent files in the file menu (the grey placeholder when none).
    void SetRecentFiles(const QStringList& paths);
    const QList<QAction*>& RecentFileActions() const { return recentActions_; }

    // Asked before the window closes; false keeps it open.
    void SetCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }

    // Shows the window. The first call puts it where it was left, whatever
    // state is asked for; later calls show it in the asked state.
    void Activate(Qt::WindowStates requested = Qt::WindowNoState);
    // Writes the placement and the bar state.
    void WritePlacement();

    // "%04d %04d %04d %04d" of left, top, right, bottom.
    static std::string FormatRect(const QRect& rect);
    // Fields at offsets 0, 5, 10 and 15; nothing when the text cannot hold
    // all four or the rectangle is empty.
    static std::optional<QRect> ParseRect(const std::string& text);

    // Where the user manual lies; empty when it is not installed.
    static QString ManualPath();

  public slots:
    void OpenHomepage();
    void ShowManual();
    void EnterContextHelp();

  signals:
    void RecentFileChosen(const QString& path);
    // The placement (and whatever else was pending) could not be stored on closing.
    void SettingsNotStored(const QString& reason);
    void FilesDropped(const QStringList& paths);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void WriteBarState();
    void ReadBarState();

    SettingsStore& store_;
    bool firstShow_ = true;
    QHash<int, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentEnd_ = nullptr;  // the separator after the recent files
    QList<QAction*> recentActions_;
    QLabel* idlePrompt_ = nullptr;
    QLabel* cursorPane_ = nullptr;
    QLabel* encodingPane_ = nullptr;
    std::function<bool()> closeGuard_;
};

}  // namespace kova::app
