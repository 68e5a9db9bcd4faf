#include "dialogs/results_dialog.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

#include "gui/dialog_units.h"
#include "text/cp932.h"

namespace kova::dialogs {
namespace {

QPlainTextEdit* MakePane(const std::string& text, QWidget* parent) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setFocusPolicy(Qt::ClickFocus);
    pane->setPlainText(QString::fromStdString(Cp932ToUtf8(text)));
    pane->setGeometry(20, 40, 640, 530);
    return pane;
}

}  // namespace

ResultsDialog::ResultsDialog(const std::string& runList, const std::string& flow, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("KOVA計算結果出力"));
    setObjectName(QStringLiteral("ResultsDialog"));
    setFont(gui::FixedPitchJapaneseFont(12));
    const gui::DialogUnits units(font());
    // The panes are fixed in pixels; the window holds them whatever the face.
    setFixedSize(units.Size(341, 305).expandedTo(QSize(680, 610)));

    auto* body = new QFrame(this);
    body->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    body->setGeometry(10, 10, 660, 550);

    tab_ = new QTabBar(this);
    tab_->setObjectName(QStringLiteral("ResultTab"));
    tab_->setShape(QTabBar::RoundedNorth);
    tab_->setDrawBase(false);
    tab_->setExpanding(false);
    tab_->setFocusPolicy(Qt::NoFocus);
    tab_->addTab(QStringLiteral("計算経過一覧"));
    tab_->addTab(QStringLiteral("　最適化解　"));
    tab_->move(12, 10);
    tab_->resize(tab_->sizeHint());

    flowPane_ = MakePane(flow, this);
    flowPane_->setObjectName(QStringLiteral("FlowPane"));
    runListPane_ = MakePane(runList, this);
    runListPane_->setObjectName(QStringLiteral("RunListPane"));
    flowPane_->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    const QRect okRect = units.Rect(145, 288, 50, 14);
    ok->setGeometry(QRect(QPoint((width() - okRect.width()) / 2, height() - okRect.height() - 12),
                          okRect.size()));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();

    connect(tab_, &QTabBar::currentChanged, this, &ResultsDialog::ShowTab);
}

void ResultsDialog::ShowTab(int selection) {
    runListPane_->hide();
    flowPane_->hide();
    if (selection == 0) {
        runListPane_->show();
    } else if (selection == 1) {
        flowPane_->show();
    }
}

}  // namespace kova::dialogs
