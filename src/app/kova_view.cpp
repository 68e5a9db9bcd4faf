#include "app/kova_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>

#include "app/document_text.h"

namespace kova::app {
namespace {

bool HasLocalFiles(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return false;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return true;
        }
    }
    return false;
}

}  // namespace

CKOVAView::CKOVAView(QWidget* parent) : QPlainTextEdit(parent) {
    // Long lines wrap at the window edge; only a vertical scroll bar.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptDrops(true);
}

std::string CKOVAView::WindowText() const {
    if (!document()->isModified()) {
        return savedBytes_;
    }
    return DisplayToBytes(document()->toRawText(), nullptr);
}

void CKOVAView::SetWindowText(const std::string& bytes) {
    savedBytes_ = bytes;
    setPlainText(BytesToDisplay(bytes));
    document()->setModified(false);
}

void CKOVAView::MarkSaved(const std::string& bytes) {
    savedBytes_ = bytes;
    document()->setModified(false);
}

void CKOVAView::OnRunOptimization() {
    if (commands_ != nullptr) {
        commands_->RunOptimization(*this);
    }
}

void CKOVAView::OnShowResults() {
    if (commands_ != nullptr) {
        commands_->ShowResults(*this);
    }
}

void CKOVAView::OnInitSettings() {
    if (commands_ != nullptr) {
        commands_->EditInitSettings(*this);
    }
}

void CKOVAView::OnPrintData() {
    if (commands_ != nullptr) {
        commands_->PrintData(*this);
    }
}

// A dropped file opens as the document instead of pasting its name.
void CKOVAView::dragEnterEvent(QDragEnterEvent* event) {
    if (HasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void CKOVAView::dragMoveEvent(QDragMoveEvent* event) {
    if (HasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void CKOVAView::dropEvent(QDropEvent* event) {
    if (HasLocalFiles(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        // The save question must not hold the dragging program in its drag.
        const QList<QUrl> urls = event->mimeData()->urls();
        QTimer::singleShot(0, this, [this, urls] { emit FilesDropped(urls); });
        return;
    }
    QPlainTextEdit::dropEvent(event);
}

}  // namespace kova::app
