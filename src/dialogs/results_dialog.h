// The two texts of the last run in one modal window with two tabs: the run
// list and the solution, in a fixed-pitch face so the columns line up.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QTabBar;

namespace kova::dialogs {

class CResultsDlg final : public QDialog {
    Q_OBJECT
  public:
    // Both texts are code page 932.
    CResultsDlg(const std::string& runList, const std::string& flow, QWidget* parent = nullptr);

    QTabBar* Tab() const { return m_wndTab; }
    QPlainTextEdit* RunListPane() const { return m_wndRunListPane; }
    QPlainTextEdit* FlowPane() const { return m_wndFlowPane; }

  private:
    void OnSelChange(int selection);

    QTabBar* m_wndTab = nullptr;
    QPlainTextEdit* m_wndFlowPane = nullptr;
    QPlainTextEdit* m_wndRunListPane = nullptr;
};

}  // namespace kova::dialogs
