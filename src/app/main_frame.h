// The application's main window: menu, tool bar, status bar around the
// editor view, and the frame's own commands (help, home page).
#pragma once

#include <QHash>
#include <QStringList>
#include <functional>

#include "app/persistent_frame.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace kova::app {

class CMainFrame final : public CPersistentFrame {
    Q_OBJECT
  public:
    explicit CMainFrame(SettingsStore& store, QWidget* parent = nullptr);

    // The action of a command of the command table (nullptr for unknown ids).
    QAction* Action(int commandId) const { return actions_.value(commandId, nullptr); }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QMenu* FileMenu() const { return fileMenu_; }
    QLabel* IdlePrompt() const { return idlePrompt_; }

    // Shows the recent files in the file menu (the grey placeholder when none).
    void SetRecentFiles(const QStringList& paths);
    const QList<QAction*>& RecentFileActions() const { return recentActions_; }

    // Asked before the window closes; false keeps it open.
    void SetCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }

    // Where the user manual lies; empty when it is not installed.
    static QString ManualPath();

  public slots:
    void OnAuthorHomepage();
    void OnHelpFinder();
    void OnContextHelp();

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
    void SaveBarState() override;
    void LoadBarState() override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();

    QHash<int, QAction*> actions_;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentEnd_ = nullptr;  // the separator after the recent files
    QList<QAction*> recentActions_;
    QLabel* idlePrompt_ = nullptr;
    std::function<bool()> closeGuard_;
};

}  // namespace kova::app
