// Find and replace in the editor: a bar under the text, Escape hides it.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kova::app {

class FindBar final : public QWidget {
    Q_OBJECT
  public:
    FindBar(QPlainTextEdit& editor, QWidget* parent = nullptr);

    QLineEdit* FindEdit() const { return findEdit_; }
    QLineEdit* ReplaceEdit() const { return replaceEdit_; }
    QCheckBox* CaseBox() const { return caseBox_; }
    // What the last search found or did not find.
    QLabel* Notice() const { return notice_; }

  public slots:
    // Shows the bar, the selection (one line of it) as the text to find.
    void ShowFind();
    void ShowReplace();
    // From the cursor on (or back), round the end of the text; the bar
    // opens when there is nothing to look for yet.
    bool FindNext();
    bool FindPrevious();
    // Replaces the found text under the cursor, then finds the next one.
    void ReplaceCurrent();
    // Every match, as one step to undo.
    int ReplaceAll();
    void Close();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Open(bool replace);
    bool Find(bool backward);
    bool SelectionMatches() const;

    QPlainTextEdit& editor_;
    QLineEdit* findEdit_ = nullptr;
    QLineEdit* replaceEdit_ = nullptr;
    QCheckBox* caseBox_ = nullptr;
    QLabel* notice_ = nullptr;
    QList<QWidget*> replaceRow_;
};

}  // namespace kova::app
