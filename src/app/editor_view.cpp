#include "app/editor_view.h"

#include <QDragEnterEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "app/data_highlighter.h"
#include "gui/document_text.h"
#include "parser/problem_parser.h"
#include "text/cp932.h"
#include "text/system_texts.h"

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

LineMark MarkOfError(const DataError& error) {
    std::string line = Texts().linePrefix;
    line += std::to_string(error.line);
    line += " : ";
    line += error.message;
    return LineMark{error.line, gui::BytesToDisplay(line)};
}

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

// The line numbers and the marks, left of the text.
class LineNumberMargin final : public QWidget {
  public:
    explicit LineNumberMargin(EditorView& view) : QWidget(&view), view_(view) {
        setObjectName(QStringLiteral("LineNumberArea"));
    }
    QSize sizeHint() const override { return QSize(view_.MarginWidth(), 0); }

  protected:
    void paintEvent(QPaintEvent* event) override { view_.PaintMargin(event); }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QString text = view_.MarkText(view_.LineAt(help->pos().y()));
            if (text.isEmpty()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(help->globalPos(), text, this);
            }
            return true;
        }
        return QWidget::event(event);
    }

  private:
    EditorView& view_;
};

namespace {

constexpr int kMarkWidth = 14;
const QColor kMarkColour(0xD0, 0x20, 0x20);
const QColor kMarkedLineColour(0xFF, 0xE0, 0xE0);

}  // namespace

EditorView::EditorView(QWidget* parent) : QPlainTextEdit(parent) {
    // Long lines wrap at the window edge; only a vertical scroll bar.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptDrops(true);

    lineNumberArea_ = new LineNumberMargin(*this);
    highlighter_ = new DataHighlighter(document());
    connect(this, &QPlainTextEdit::blockCountChanged, this, &EditorView::UpdateMarginWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0) {
            lineNumberArea_->scroll(0, dy);
        } else {
            lineNumberArea_->update(0, rect.y(), lineNumberArea_->width(), rect.height());
        }
        if (rect.contains(viewport()->rect())) {
            UpdateMarginWidth();
        }
    });
    connect(document(), &QTextDocument::contentsChange, this, [this] {
        if (!marks_.empty()) {
            DropEditedMarks();
        }
    });
    UpdateMarginWidth();
}

EditorView::~EditorView() = default;

std::string EditorView::TextBytes() const {
    bool lossy = false;
    return TextBytes(&lossy);
}

std::string EditorView::TextBytes(bool* lossy) const {
    if (!document()->isModified()) {
        return DataTextOf(savedBytes_, encoding_, lossy);
    }
    return gui::DisplayToBytes(document()->toRawText(), lossy);
}

LineMark EditorView::FirstCharacterWithoutCp932() const {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const std::u32string characters = block.text().toStdU32String();
        for (const char32_t c : characters) {
            bool lossy = false;
            EncodeCp932(std::u32string_view(&c, 1), &lossy);
            if (lossy) {
                return LineMark{block.blockNumber() + 1, QString::fromUcs4(&c, 1)};
            }
        }
    }
    return LineMark{};
}

void EditorView::SetTextBytes(const std::string& bytes, FileEncoding encoding) {
    savedBytes_ = bytes;
    encoding_ = encoding;
    const std::u32string characters = DecodeFileText(bytes, encoding);
    const QString text =
        QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
    // Unmodified, the text is `savedBytes_`: the pieces never reach a file.
    const bool tooLong = LongestLine(text) > kLongestEditedLine;
    marks_.clear();
    setPlainText(tooLong ? InPieces(text) : text);
    setReadOnly(tooLong);
    document()->setModified(false);
    ShowMarks();
    emit TextReplaced();
}

FileEncoding EditorView::SetFileBytes(const std::string& bytes) {
    const FileEncoding encoding = DetectEncoding(bytes);
    SetTextBytes(bytes, encoding);
    return encoding;
}

std::string EditorView::FileBytes(FileEncoding encoding, bool* lossy) const {
    const bool modified = document()->isModified();
    if (!modified && encoding == encoding_) {
        *lossy = false;
        return savedBytes_;
    }
    bool lost = false;
    const std::u32string characters = modified
                                          ? gui::RawTextCharacters(document()->toRawText(), &lost)
                                          : DecodeFileText(savedBytes_, encoding_);
    bool unmapped = false;
    std::string bytes = EncodeFileText(characters, encoding, &unmapped);
    *lossy = lost || unmapped;
    return bytes;
}

void EditorView::MarkSaved(const std::string& bytes, FileEncoding encoding) {
    savedBytes_ = bytes;
    encoding_ = encoding;
    document()->setModified(false);
}

void EditorView::GoToLine(int line) {
    const int last = document()->blockCount();
    const QTextBlock block = document()->findBlockByNumber(std::clamp(line, 1, last) - 1);
    setTextCursor(QTextCursor(block));
    centerCursor();
}

void EditorView::SetMarks(MarkKind kind, const QList<LineMark>& marks) {
    std::erase_if(marks_, [kind](const Mark& mark) { return mark.kind == kind; });
    for (const LineMark& mark : marks) {
        const QTextBlock block = document()->findBlockByNumber(mark.line - 1);
        if (block.isValid()) {
            marks_.push_back(Mark{kind, QTextCursor(block), block.text(), mark.text});
        }
    }
    ShowMarks();
}

QList<LineMark> EditorView::Marks() const {
    QList<LineMark> marks;
    for (const Mark& mark : marks_) {
        marks.append(LineMark{mark.cursor.blockNumber() + 1, mark.text});
    }
    return marks;
}

QString EditorView::MarkText(int line) const {
    QStringList texts;
    for (const Mark& mark : marks_) {
        if (mark.cursor.blockNumber() + 1 == line && !texts.contains(mark.text)) {
            texts.append(mark.text);
        }
    }
    return texts.join(QLatin1Char('\n'));
}

// A mark belongs to its line's text: once that changes, the mark goes.
void EditorView::DropEditedMarks() {
    const std::size_t before = marks_.size();
    std::erase_if(marks_,
                  [](const Mark& mark) { return mark.cursor.block().text() != mark.lineText; });
    if (marks_.size() != before) {
        ShowMarks();
    }
}

void EditorView::ShowMarks() {
    QList<QTextEdit::ExtraSelection> tints;
    for (const Mark& mark : marks_) {
        QTextEdit::ExtraSelection tint;
        tint.format.setBackground(kMarkedLineColour);
        tint.format.setProperty(QTextFormat::FullWidthSelection, true);
        tint.cursor = QTextCursor(mark.cursor.block());
        tints.append(tint);
    }
    setExtraSelections(tints);
    lineNumberArea_->update();
}

int EditorView::MarginWidth() const {
    int digits = 1;
    for (int count = std::max(1, blockCount()); count >= 10; count /= 10) {
        ++digits;
    }
    return kMarkWidth + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3) + 8;
}

void EditorView::UpdateMarginWidth() {
    if (viewportMargins().left() != MarginWidth()) {
        setViewportMargins(MarginWidth(), 0, 0, 0);
    }
}

void EditorView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect inside = contentsRect();
    lineNumberArea_->setGeometry(QRect(inside.left(), inside.top(), MarginWidth(), inside.height()));
}

int EditorView::LineAt(int y) const {
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= y) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && y < bottom) {
            return block.blockNumber() + 1;
        }
        block = block.next();
        top = bottom;
    }
    return 0;
}

void EditorView::PaintMargin(QPaintEvent* event) {
    QPainter painter(lineNumberArea_);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    QList<int> marked;
    for (const Mark& mark : marks_) {
        marked.append(mark.cursor.blockNumber());
    }
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int lineHeight = fontMetrics().height();
    const int numberRight = lineNumberArea_->width() - 4;
    const QColor number = palette().color(QPalette::Disabled, QPalette::Text);
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            if (marked.contains(block.blockNumber())) {
                painter.setRenderHint(QPainter::Antialiasing, true);
                painter.setPen(Qt::NoPen);
                painter.setBrush(kMarkColour);
                const int size = std::min(kMarkWidth - 4, lineHeight - 4);
                painter.drawEllipse(QRect(3, top + (lineHeight - size) / 2, size, size));
                painter.setPen(kMarkColour);
            } else {
                painter.setPen(number);
            }
            painter.drawText(QRect(kMarkWidth, top, numberRight - kMarkWidth, lineHeight),
                             Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

bool EditorView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = MarkText(cursorForPosition(help->pos()).blockNumber() + 1);
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport());
        }
        return true;
    }
    return QPlainTextEdit::viewportEvent(event);
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
