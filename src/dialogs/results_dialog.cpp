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

CResultsDlg::CResultsDlg(const std::string& runList, const std::string& flow, QWidget* parent)
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

    m_wndTab = new QTabBar(this);
    m_wndTab->setObjectName(QStringLiteral("ResultTab"));
    m_wndTab->setShape(QTabBar::RoundedNorth);
    m_wndTab->setDrawBase(false);
    m_wndTab->setExpanding(false);
    m_wndTab->setFocusPolicy(Qt::NoFocus);
    m_wndTab->addTab(QStringLiteral("計算経過一覧"));
    m_wndTab->addTab(QStringLiteral("　最適化解　"));
    m_wndTab->move(12, 10);
    m_wndTab->resize(m_wndTab->sizeHint());

    m_wndFlowPane = MakePane(flow, this);
    m_wndFlowPane->setObjectName(QStringLiteral("FlowPane"));
    m_wndRunListPane = MakePane(runList, this);
    m_wndRunListPane->setObjectName(QStringLiteral("RunListPane"));
    m_wndFlowPane->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    const QRect okRect = units.Rect(145, 288, 50, 14);
    ok->setGeometry(QRect(QPoint((width() - okRect.width()) / 2, height() - okRect.height() - 12),
                          okRect.size()));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();

    connect(m_wndTab, &QTabBar::currentChanged, this, &CResultsDlg::OnSelChange);
}

void CResultsDlg::OnSelChange(int selection) {
    m_wndRunListPane->hide();
    m_wndFlowPane->hide();
    if (selection == 0) {
        m_wndRunListPane->show();
    } else if (selection == 1) {
        m_wndFlowPane->show();
    }
}

}  // namespace kova::dialogs
