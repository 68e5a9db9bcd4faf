// The editor view: a plain-text editor whose text is the problem, and the
// place where the calculation commands arrive.
#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QUrl>
#include <string>

namespace kova::app {

class CalculationCommands;

class CKOVAView final : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit CKOVAView(QWidget* parent = nullptr);

    // The whole text in code page 932. While the text is as loaded or saved
    // last, these are exactly those bytes (LF-only line ends and bytes that
    // are no character included); after an edit every line ends in CR LF.
    std::string WindowText() const;
    // Replaces the text; the document counts as unmodified afterwards. A
    // text with a line longer than kLongestEditedLine characters is shown in
    // pieces and cannot be edited: the editor lays out a whole line at every
    // keystroke, which takes seconds at such lengths.
    void SetWindowText(const std::string& bytes);
    static constexpr qsizetype kLongestEditedLine = 100000;
    // After a save: the saved bytes are now the unmodified text.
    void MarkSaved(const std::string& bytes);

    // Where the four calculation commands are carried out.
    void SetCalculationCommands(CalculationCommands* commands) { commands_ = commands; }

  public slots:
    void OnRunOptimization();
    void OnShowResults();
    void OnInitSettings();
    void OnPrintData();

  signals:
    void FilesDropped(const QList<QUrl>& urls);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    std::string savedBytes_;
    CalculationCommands* commands_ = nullptr;
};

// The handlers behind the view's calculation commands.
class CalculationCommands {
  public:
    virtual ~CalculationCommands() = default;
    virtual void RunOptimization(CKOVAView& view) = 0;
    virtual void ShowResults(CKOVAView& view) = 0;
    virtual void EditInitSettings(CKOVAView& view) = 0;
    virtual void PrintData(CKOVAView& view) = 0;
};

}  // namespace kova::app
