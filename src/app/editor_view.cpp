#include "app/editor_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "gui/document_text.h"

namespace kova::app {
namespace {

// Pieces of a long line are shown as lines of their own, so each is laid
// out alone.
constexpr qsizetype kShownPiece = 4096;

qsizetype LongestLine(const QString& text) {
    qsizetype longest = 0;
    qsizetype length = 0;
    for (const QChar c : text) {
        length = (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? 0 : length + 1;
        longest = std::max(longest, length);
    }
    return longest;
}

QString InPieces(const QString& text) {
    QString pieces;
    pieces.reserve(text.size() + text.size() / kShownPiece + 1);
    qsizetype length = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            length = 0;
        } else if (length == kShownPiece) {
            pieces += QLatin1Char('\n');
            length = 1;
        } else {
            ++length;
        }
        pieces += c;
    }
    return pieces;
}

}  // namespace

QStringList LocalFilePaths(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

EditorView::EditorView(QWidget* parent) : QPlainTextEdit(parent) {
    // Long lines wrap at the window edge; only a vertical scroll bar.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptDrops(true);
}

std::string EditorView::TextBytes() const {
    if (!document()->isModified()) {
        return savedBytes_;
    }
    return gui::DisplayToBytes(document()->toRawText(), nullptr);
}

void EditorView::SetTextBytes(const std::string& bytes) {
    savedBytes_ = bytes;
    const QString text = gui::BytesToDisplay(bytes);
    // Unmodified, the text is `savedBytes_`: the pieces never reach a file.
    const bool tooLong = LongestLine(text) > kLongestEditedLine;
    setPlainText(tooLong ? InPieces(text) : text);
    setReadOnly(tooLong);
    document()->setModified(false);
}

void EditorView::MarkSaved(const std::string& bytes) {
    savedBytes_ = bytes;
    document()->setModified(false);
}

// A dropped file opens as the document instead of pasting its name.
void EditorView::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFilePaths(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void EditorView::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFilePaths(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void EditorView::dropEvent(QDropEvent* event) {
    if (const QStringList paths = LocalFilePaths(event->mimeData()); !paths.isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        // The save question must not hold the dragging program in its drag.
        QTimer::singleShot(0, this, [this, paths] { emit FilesDropped(paths); });
        return;
    }
    QPlainTextEdit::dropEvent(event);
}

}  // namespace kova::app
