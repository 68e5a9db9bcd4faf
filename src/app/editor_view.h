// The editor view: a plain-text editor whose text is the problem, with line
// numbers, the data language's colours and marks on the lines in error.
#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextCursor>
#include <string>
#include <vector>

#include "text/file_encoding.h"

class QMimeData;

namespace kova {
struct DataError;
}

namespace kova::app {

class DataHighlighter;

// A line the reader refuses, with the run list's line for it.
struct LineMark {
    int line = 0;  // from 1
    QString text;
};

// A data error as the run list writes it: "Line n : message".
LineMark MarkOfError(const DataError& error);

class EditorView final : public QPlainTextEdit {
    Q_OBJECT
  public:
    // Marks of the last run stay until the next run; marks found while
    // typing are replaced by each check.
    enum class MarkKind { Run, Typing };

    explicit EditorView(QWidget* parent = nullptr);
    ~EditorView() override;

    // The whole text in code page 932, as the calculation reads it. While
    // the text is as loaded or saved last, a code page 932 file gives
    // exactly its bytes (LF-only line ends and bytes that are no character
    // included); after an edit every line ends in CR LF.
    std::string TextBytes() const;
    // The same; `lossy` tells whether a character without a code page 932
    // form was read as '?'.
    std::string TextBytes(bool* lossy) const;
    // The first such character with its line (from 1); line 0 when none.
    LineMark FirstCharacterWithoutCp932() const;
    // Replaces the text with a file's bytes in `encoding`; the document
    // counts as unmodified afterwards. A text with a line longer than
    // kLongestEditedLine characters is shown in pieces and cannot be
    // edited: the editor lays out a whole line at every keystroke, which
    // takes seconds at such lengths.
    void SetTextBytes(const std::string& bytes, FileEncoding encoding = FileEncoding::Cp932);
    // Replaces the text with a file's bytes in the encoding they show.
    FileEncoding SetFileBytes(const std::string& bytes);
    static constexpr qsizetype kLongestEditedLine = 100000;
    // What a save in `encoding` writes: the loaded bytes while the text and
    // its encoding are unchanged. `lossy` tells whether characters had no
    // form in it.
    std::string FileBytes(FileEncoding encoding, bool* lossy) const;
    // After a save: the saved bytes are now the unmodified text.
    void MarkSaved(const std::string& bytes, FileEncoding encoding);
    FileEncoding Encoding() const { return encoding_; }

    // Moves the cursor to the start of a line (from 1; clamped) and shows it.
    void GoToLine(int line);

    // Marks lines: a mark in the margin, a tinted line and the text as its
    // tooltip. A mark goes when its line is edited.
    void SetMarks(MarkKind kind, const QList<LineMark>& marks);
    void ClearMarks(MarkKind kind) { SetMarks(kind, {}); }
    // The marks as they stand now, lines as they are numbered now.
    QList<LineMark> Marks() const;
    // The text of the mark on a line (from 1), empty when it has none.
    QString MarkText(int line) const;

    QWidget* LineNumberArea() const { return lineNumberArea_; }
    DataHighlighter* Highlighter() const { return highlighter_; }

  signals:
    void FilesDropped(const QStringList& paths);
    // A new text took the editor's place (a file opened, a new document).
    void TextReplaced();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    friend class LineNumberMargin;
    struct Mark {
        MarkKind kind;
        QTextCursor cursor;  // at the line, moving with the text
        QString lineText;    // the line as it was marked
        QString text;
    };

    int MarginWidth() const;
    void UpdateMarginWidth();
    void PaintMargin(QPaintEvent* event);
    int LineAt(int y) const;
    void DropEditedMarks();
    void ShowMarks();

    std::string savedBytes_;
    FileEncoding encoding_ = FileEncoding::Cp932;
    QWidget* lineNumberArea_ = nullptr;
    DataHighlighter* highlighter_ = nullptr;
    std::vector<Mark> marks_;
};

// The local files among dropped data, in their order.
QStringList LocalFilePaths(const QMimeData* mime);

}  // namespace kova::app
