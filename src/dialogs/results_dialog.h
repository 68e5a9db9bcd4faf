// The two texts of the last run in one modal window with two tabs: the run
// list and the solution, in a fixed-pitch face so the columns line up.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QTabBar;

namespace kova::dialogs {

class ResultsDialog final : public QDialog {
    Q_OBJECT
  public:
    // Both texts are code page 932.
    ResultsDialog(const std::string& runList, const std::string& flow, QWidget* parent = nullptr);

    QTabBar* Tab() const { return tab_; }
    QPlainTextEdit* RunListPane() const { return runListPane_; }
    QPlainTextEdit* FlowPane() const { return flowPane_; }

  private:
    void ShowTab(int selection);

    QTabBar* tab_ = nullptr;
    QPlainTextEdit* flowPane_ = nullptr;
    QPlainTextEdit* runListPane_ = nullptr;
};

}  // namespace kova::dialogs
