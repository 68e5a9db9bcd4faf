// The editor view: a plain-text editor whose text is the problem.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <string>

class QMimeData;

namespace kova::app {

class EditorView final : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit EditorView(QWidget* parent = nullptr);

    // The whole text in code page 932. While the text is as loaded or saved
    // last, these are exactly those bytes (LF-only line ends and bytes that
    // are no character included); after an edit every line ends in CR LF.
    std::string TextBytes() const;
    // Replaces the text; the document counts as unmodified afterwards. A
    // text with a line longer than kLongestEditedLine characters is shown in
    // pieces and cannot be edited: the editor lays out a whole line at every
    // keystroke, which takes seconds at such lengths.
    void SetTextBytes(const std::string& bytes);
    static constexpr qsizetype kLongestEditedLine = 100000;
    // After a save: the saved bytes are now the unmodified text.
    void MarkSaved(const std::string& bytes);

  signals:
    void FilesDropped(const QStringList& paths);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    std::string savedBytes_;
};

// The local files among dropped data, in their order.
QStringList LocalFilePaths(const QMimeData* mime);

}  // namespace kova::app
