#include "app/find_bar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

namespace kova::app {

FindBar::FindBar(QPlainTextEdit& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("FindBar"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 3, 6, 3);
    grid->setVerticalSpacing(3);

    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName(QStringLiteral("FindEdit"));
    auto* findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    findLabel->setBuddy(findEdit_);
    auto* next = new QPushButton(QStringLiteral("次を検索"), this);
    auto* previous = new QPushButton(QStringLiteral("前を検索"), this);
    caseBox_ = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    caseBox_->setObjectName(QStringLiteral("CaseBox"));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("閉じる (Esc)"));

    replaceEdit_ = new QLineEdit(this);
    replaceEdit_->setObjectName(QStringLiteral("ReplaceEdit"));
    auto* replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
    replaceLabel->setBuddy(replaceEdit_);
    auto* replace = new QPushButton(QStringLiteral("置換して次に(&R)"), this);
    auto* replaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("FindNotice"));

    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(findEdit_, 0, 1);
    grid->addWidget(next, 0, 2);
    grid->addWidget(previous, 0, 3);
    grid->addWidget(caseBox_, 0, 4);
    grid->addWidget(notice_, 0, 5);
    grid->addWidget(close, 0, 6, Qt::AlignRight);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(replaceEdit_, 1, 1);
    grid->addWidget(replace, 1, 2);
    grid->addWidget(replaceAll, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    replaceRow_ = {replaceLabel, replaceEdit_, replace, replaceAll};

    for (QPushButton* button : {next, previous, replace, replaceAll}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
    }
    connect(next, &QPushButton::clicked, this, &FindBar::FindNext);
    connect(previous, &QPushButton::clicked, this, &FindBar::FindPrevious);
    connect(replace, &QPushButton::clicked, this, &FindBar::ReplaceCurrent);
    connect(replaceAll, &QPushButton::clicked, this, &FindBar::ReplaceAll);
    connect(close, &QToolButton::clicked, this, &FindBar::Close);
    connect(findEdit_, &QLineEdit::textEdited, notice_, &QLabel::clear);
    setTabOrder(findEdit_, replaceEdit_);
    findEdit_->installEventFilter(this);
    replaceEdit_->installEventFilter(this);
    hide();
}

void FindBar::ShowFind() {
    Open(false);
}

void FindBar::ShowReplace() {
    Open(true);
}

void FindBar::Open(bool replace) {
    const QString selected = editor_.textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) {
        findEdit_->setText(selected);
    }
    for (QWidget* widget : std::as_const(replaceRow_)) {
        widget->setVisible(replace);
    }
    notice_->clear();
    show();
    findEdit_->setFocus();
    findEdit_->selectAll();
}

void FindBar::Close() {
    hide();
    editor_.setFocus();
}

bool FindBar::FindNext() {
    return Find(false);
}

bool FindBar::FindPrevious() {
    return Find(true);
}

bool FindBar::Find(bool backward) {
    const QString pattern = findEdit_->text();
    if (pattern.isEmpty()) {
        ShowFind();
        return false;
    }
    QTextDocument::FindFlags flags;
    if (backward) {
        flags |= QTextDocument::FindBackward;
    }
    if (caseBox_->isChecked()) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    QTextDocument* document = editor_.document();
    QTextCursor found = document->find(pattern, editor_.textCursor(), flags);
    notice_->clear();
    if (found.isNull()) {
        // Round the end of the text to its other end.
        QTextCursor from(document);
        if (backward) {
            from.movePosition(QTextCursor::End);
        }
        found = document->find(pattern, from, flags);
        if (found.isNull()) {
            notice_->setText(QStringLiteral("「%1」が見つかりません。").arg(pattern));
            return false;
        }
        notice_->setText(backward ? QStringLiteral("末尾から検索しました。")
                                  : QStringLiteral("先頭から検索しました。"));
    }
    editor_.setTextCursor(found);
    editor_.centerCursor();
    return true;
}

bool FindBar::SelectionMatches() const {
    const QString selected = editor_.textCursor().selectedText();
    const Qt::CaseSensitivity sensitivity =
        caseBox_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return !selected.isEmpty() && selected.compare(findEdit_->text(), sensitivity) == 0;
}

void FindBar::ReplaceCurrent() {
    if (editor_.isReadOnly()) {
        return;
    }
    if (SelectionMatches()) {
        editor_.textCursor().insertText(replaceEdit_->text());
    }
    FindNext();
}

int FindBar::ReplaceAll() {
    const QString pattern = findEdit_->text();
    if (pattern.isEmpty() || editor_.isReadOnly()) {
        return 0;
    }
    QTextDocument::FindFlags flags;
    if (caseBox_->isChecked()) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    QTextDocument* document = editor_.document();
    QTextCursor edit(document);
    edit.beginEditBlock();
    int count = 0;
    // Each search starts after the last replacement, so a replacement that
    // holds the text is not replaced again.
    QTextCursor found = document->find(pattern, 0, flags);
    while (!found.isNull()) {
        found.insertText(replaceEdit_->text());
        ++count;
        found = document->find(pattern, found, flags);
    }
    edit.endEditBlock();
    notice_->setText(count == 0 ? QStringLiteral("「%1」が見つかりません。").arg(pattern)
                                : QStringLiteral("%1 個置換しました。").arg(count));
    return count;
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == replaceEdit_) {
                ReplaceCurrent();
            } else {
                Find(key->modifiers() & Qt::ShiftModifier);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kova::app
