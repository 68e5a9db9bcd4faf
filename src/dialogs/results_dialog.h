// The results of the last run in one window: the run list and the solution
// as the texts give them (fixed pitch, so the columns line up), and the
// solution as a table to sort, filter, copy and export. A line beside the
// tabs says which file the results came from, whether the text has changed
// since, how good a stopped run's result is and why a problem has no flow.
#pragma once

#include <QDialog>
#include <QSize>
#include <QString>
#include <string>

#include "run/calculation_run.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTabBar;
class QTableView;

namespace kova::dialogs {

// What the window says beside the texts.
struct ResultsContext {
    QString source;      // the file the results came from; empty: untitled
    bool stale = false;  // the text was edited after the calculation
    QSize size;          // the window's size; empty: the initial size
};

class ResultsDialog final : public QDialog {
    Q_OBJECT
  public:
    ResultsDialog(const RunResults& results, ResultsContext context, QWidget* parent = nullptr);
    // Both texts are code page 932; no table.
    ResultsDialog(const std::string& runList, const std::string& flow, QWidget* parent = nullptr);

    QTabBar* Tab() const { return tab_; }
    QPlainTextEdit* RunListPane() const { return runListPane_; }
    QPlainTextEdit* FlowPane() const { return flowPane_; }
    QWidget* TablePane() const { return tablePane_; }
    QTableView* Table() const { return table_; }
    QLabel* Notes() const { return notes_; }
    QCheckBox* FlowOnlyBox() const { return flowOnly_; }
    QCheckBox* ByNodeBox() const { return byNode_; }
    QLabel* Totals() const { return totals_; }

    // The rows shown (sorted and filtered) as tab-separated text with a
    // header line, as spreadsheets paste it.
    QString TableText(bool selectedOnly) const;
    // Writes the solution as CSV (UTF-8 with a BOM, or code page 932), or a
    // text's exact bytes. Empty on success, else the reason.
    QString SaveCsv(const QString& path, bool cp932) const;
    QString SaveText(const QString& path, bool runList) const;
    // The size to open with next time.
    QSize WindowSize() const { return size(); }

    static constexpr QSize kInitialSize{680, 610};

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Build(const std::string& runList, const std::string& flow);
    void BuildTable();
    void ShowTab(int selection);
    void ShowRows();
    void PlacePanes();
    void AskAndSaveCsv();
    void AskAndSaveText(bool runList);

    RunResults results_;
    ResultsContext context_;
    QTabBar* tab_ = nullptr;
    QLabel* notes_ = nullptr;
    QWidget* body_ = nullptr;
    QPlainTextEdit* flowPane_ = nullptr;
    QPlainTextEdit* runListPane_ = nullptr;
    QWidget* tablePane_ = nullptr;
    QTableView* table_ = nullptr;
    QStandardItemModel* arcModel_ = nullptr;
    QStandardItemModel* nodeModel_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QCheckBox* flowOnly_ = nullptr;
    QCheckBox* byNode_ = nullptr;
    QLabel* totals_ = nullptr;
    QPushButton* ok_ = nullptr;
    QSize initialSize_;
};

}  // namespace kova::dialogs
