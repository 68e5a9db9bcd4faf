#include "dialogs/results_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>
#include <map>

#include "files/output_file.h"
#include "gui/dialog_units.h"
#include "run/solution_csv.h"
#include "text/cp932.h"
#include "text/number_text.h"

namespace kova::dialogs {
namespace {

constexpr int kSortRole = Qt::UserRole + 1;

QPlainTextEdit* MakePane(const std::string& text, QWidget* parent) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setFocusPolicy(Qt::ClickFocus);
    // Nothing typed there was ever kept; Return goes to the OK button.
    pane->setReadOnly(true);
    pane->setPlainText(QString::fromStdString(Cp932ToUtf8(text)));
    pane->setGeometry(20, 40, 640, 530);
    return pane;
}

QStandardItem* TextItem(const QString& text) {
    auto* item = new QStandardItem(text);
    item->setData(text, kSortRole);
    item->setEditable(false);
    return item;
}

QStandardItem* NumberItem(double value, const QString& text) {
    auto* item = new QStandardItem(text);
    item->setData(value, kSortRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setEditable(false);
    return item;
}

QStandardItem* IntegerItem(std::int64_t value) {
    return NumberItem(static_cast<double>(value), QString::number(value));
}

QString Utf8(const std::string& cp932) {
    return QString::fromStdString(Cp932ToUtf8(cp932));
}

// Flow arcs pass the filter when asked for; node rows always do.
class FlowFilter final : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetFlowOnly(bool on) {
        flowOnly_ = on;
        invalidateFilter();
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (!flowOnly_ || sourceModel()->columnCount() != 7) {
            return true;
        }
        return sourceModel()->index(row, 6, parent).data(kSortRole).toDouble() != 0.0;
    }

  private:
    bool flowOnly_ = false;
};

}  // namespace

ResultsDialog::ResultsDialog(const std::string& runList, const std::string& flow, QWidget* parent)
    : QDialog(parent) {
    results_.runList = runList;
    results_.solution = flow;
    Build(runList, flow);
}

ResultsDialog::ResultsDialog(const RunResults& results, ResultsContext context, QWidget* parent)
    : QDialog(parent), results_(results), context_(std::move(context)) {
    Build(results.runList, results.solution);
    QStringList notes;
    notes << (context_.source.isEmpty() ? QStringLiteral("(無題)")
                                        : QFileInfo(context_.source).fileName());
    if (context_.stale) {
        notes << QStringLiteral("<span style='color:#c00000'>計算後にデータが変更されています</span>");
    }
    if (!results_.rows.empty() && results_.bound < NoSolutionCost && results_.bound < results_.total) {
        notes << QStringLiteral("打ち切り: 下界 %1、差 %2")
                     .arg(QString::fromStdString(NumberText(results_.bound)),
                          QString::fromStdString(NumberText(results_.total - results_.bound)));
    }
    if (!results_.diagnosis.empty()) {
        notes << QStringLiteral("解なし: ") + QString::fromStdString(results_.diagnosis).toHtmlEscaped();
    }
    notes_->setText(notes.join(QStringLiteral("　|　")));
    notes_->setToolTip(notes_->text());
    if (context_.size.isValid() && !context_.size.isEmpty()) {
        resize(context_.size.expandedTo(minimumSize()));
    }
    PlacePanes();
}

void ResultsDialog::Build(const std::string& runList, const std::string& flow) {
    setWindowTitle(QStringLiteral("KOVA計算結果出力"));
    setObjectName(QStringLiteral("ResultsDialog"));
    setFont(gui::FixedPitchJapaneseFont(12));
    const gui::DialogUnits units(font());
    // The window opens at the size the panes were laid out for and grows
    // with the user; the panes grow with it.
    initialSize_ = units.Size(341, 305).expandedTo(kInitialSize);
    resize(initialSize_);
    setMinimumSize(420, 300);
    setSizeGripEnabled(true);

    body_ = new QFrame(this);
    static_cast<QFrame*>(body_)->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);

    tab_ = new QTabBar(this);
    tab_->setObjectName(QStringLiteral("ResultTab"));
    tab_->setShape(QTabBar::RoundedNorth);
    tab_->setDrawBase(false);
    tab_->setExpanding(false);
    // Reachable by Tab, then the arrows.
    tab_->setFocusPolicy(Qt::TabFocus);
    tab_->addTab(QStringLiteral("計算経過一覧"));
    tab_->addTab(QStringLiteral("　最適化解　"));
    tab_->move(12, 10);

    notes_ = new QLabel(this);
    notes_->setObjectName(QStringLiteral("ResultsNotes"));
    notes_->setTextFormat(Qt::RichText);
    notes_->setWordWrap(true);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.8);
    notes_->setFont(small);

    flowPane_ = MakePane(flow, this);
    flowPane_->setObjectName(QStringLiteral("FlowPane"));
    runListPane_ = MakePane(runList, this);
    runListPane_->setObjectName(QStringLiteral("RunListPane"));
    flowPane_->hide();
    BuildTable();

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    ok_->resize(units.Rect(145, 288, 50, 14).size());
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    ok_->setFocus();

    connect(tab_, &QTabBar::currentChanged, this, &ResultsDialog::ShowTab);
    // Ctrl+Tab and Ctrl+PgDn go on, Ctrl+Shift+Tab and Ctrl+PgUp back.
    const auto step = [this](int by) {
        tab_->setCurrentIndex((tab_->currentIndex() + by + tab_->count()) % tab_->count());
    };
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, [step] { step(1); });
    }
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                    QKeySequence(Qt::CTRL | Qt::Key_PageUp)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, [step] { step(-1); });
    }
    PlacePanes();
}

void ResultsDialog::BuildTable() {
    tablePane_ = new QWidget(this);
    tablePane_->setObjectName(QStringLiteral("TablePane"));
    tablePane_->hide();
    if (results_.rows.empty()) {
        return;  // no solution: no table tab
    }
    tab_->addTab(QStringLiteral("　表　"));
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    tablePane_->setFont(small);

    arcModel_ = new QStandardItemModel(0, 7, tablePane_);
    arcModel_->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("From"),
                                          QStringLiteral("To"), QStringLiteral("Lower"),
                                          QStringLiteral("Upper"), QStringLiteral("Cost"),
                                          QStringLiteral("Flow")});
    struct NodeSum {
        std::int64_t in = 0, out = 0;
        double cost = 0.0;
    };
    std::map<std::string, NodeSum> nodes;
    std::vector<std::string> order;
    std::int64_t number = 0;
    for (const SolutionRow& row : results_.rows) {
        arcModel_->appendRow({IntegerItem(++number), TextItem(Utf8(row.from)), TextItem(Utf8(row.to)),
                              IntegerItem(row.lower), IntegerItem(row.upper),
                              NumberItem(row.cost, QString::fromStdString(NumberText(row.cost))),
                              IntegerItem(row.flow)});
        for (const std::string* name : {&row.from, &row.to}) {
            if (nodes.emplace(*name, NodeSum{}).second) {
                order.push_back(*name);
            }
        }
        nodes[row.from].out += row.flow;
        nodes[row.from].cost += row.cost;
        nodes[row.to].in += row.flow;
    }
    nodeModel_ = new QStandardItemModel(0, 4, tablePane_);
    nodeModel_->setHorizontalHeaderLabels({QStringLiteral("Node"), QStringLiteral("Inflow"),
                                           QStringLiteral("Outflow"),
                                           QStringLiteral("Cost out")});
    for (const std::string& name : order) {
        const NodeSum& sum = nodes[name];
        nodeModel_->appendRow({TextItem(Utf8(name)), IntegerItem(sum.in), IntegerItem(sum.out),
                               NumberItem(sum.cost, QString::fromStdString(NumberText(sum.cost)))});
    }

    auto* filter = new FlowFilter(tablePane_);
    proxy_ = filter;
    proxy_->setSortRole(kSortRole);
    proxy_->setSourceModel(arcModel_);
    table_ = new QTableView(tablePane_);
    table_->setObjectName(QStringLiteral("SolutionTable"));
    table_->setModel(proxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    flowOnly_ = new QCheckBox(QStringLiteral("流量のある弧のみ"), tablePane_);
    byNode_ = new QCheckBox(QStringLiteral("節点別の合計"), tablePane_);
    totals_ = new QLabel(tablePane_);
    totals_->setObjectName(QStringLiteral("TableTotals"));
    auto* copy = new QPushButton(QStringLiteral("コピー"), tablePane_);
    auto* csv = new QPushButton(QStringLiteral("CSV で保存..."), tablePane_);
    auto* runList = new QPushButton(QStringLiteral("計算経過一覧を保存..."), tablePane_);
    auto* solution = new QPushButton(QStringLiteral("最適化解を保存..."), tablePane_);
    for (QPushButton* button : {copy, csv, runList, solution}) {
        button->setAutoDefault(false);
    }
    auto* controls = new QHBoxLayout;
    controls->addWidget(flowOnly_);
    controls->addWidget(byNode_);
    controls->addStretch();
    controls->addWidget(copy);
    auto* exports = new QHBoxLayout;
    exports->addStretch();
    exports->addWidget(csv);
    exports->addWidget(runList);
    exports->addWidget(solution);
    auto* layout = new QVBoxLayout(tablePane_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(table_, 1);
    layout->addWidget(totals_);
    layout->addLayout(exports);

    connect(flowOnly_, &QCheckBox::toggled, this, [this, filter](bool on) {
        filter->SetFlowOnly(on);
        ShowRows();
    });
    connect(byNode_, &QCheckBox::toggled, this, [this](bool on) {
        proxy_->setSourceModel(on ? nodeModel_ : arcModel_);
        flowOnly_->setEnabled(!on);
        table_->sortByColumn(0, Qt::AscendingOrder);
        ShowRows();
    });
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(TableText(table_->selectionModel()->hasSelection())); });
    connect(new QShortcut(QKeySequence::Copy, table_), &QShortcut::activated, this,
            [this] { QApplication::clipboard()->setText(TableText(table_->selectionModel()->hasSelection())); });
    connect(csv, &QPushButton::clicked, this, &ResultsDialog::AskAndSaveCsv);
    connect(runList, &QPushButton::clicked, this, [this] { AskAndSaveText(true); });
    connect(solution, &QPushButton::clicked, this, [this] { AskAndSaveText(false); });
    ShowRows();
}

void ResultsDialog::ShowRows() {
    table_->resizeColumnsToContents();
    std::int64_t flow = 0;
    std::int64_t carrying = 0;
    for (int r = 0; r < arcModel_->rowCount(); ++r) {
        const std::int64_t f = static_cast<std::int64_t>(arcModel_->item(r, 6)->data(kSortRole).toDouble());
        flow += f;
        carrying += f != 0 ? 1 : 0;
    }
    totals_->setText(QStringLiteral("%1 行 / 弧 %2 本 (流量あり %3 本)　流量計 %4　輸送費用合計 %5")
                         .arg(proxy_->rowCount())
                         .arg(arcModel_->rowCount())
                         .arg(carrying)
                         .arg(flow)
                         .arg(QString::fromStdString(NumberText(results_.total))));
}

QString ResultsDialog::TableText(bool selectedOnly) const {
    if (table_ == nullptr) {
        return {};
    }
    QStringList lines;
    QStringList header;
    for (int c = 0; c < proxy_->columnCount(); ++c) {
        header << proxy_->headerData(c, Qt::Horizontal).toString();
    }
    lines << header.join('\t');
    for (int r = 0; r < proxy_->rowCount(); ++r) {
        if (selectedOnly && !table_->selectionModel()->isRowSelected(r, QModelIndex())) {
            continue;
        }
        QStringList cells;
        for (int c = 0; c < proxy_->columnCount(); ++c) {
            const QVariant value = proxy_->index(r, c).data(kSortRole);
            // Numbers as numbers, without the table's trailing point.
            cells << (value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 17)
                                                          : value.toString());
        }
        lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

QString ResultsDialog::SaveCsv(const QString& path, bool cp932) const {
    const std::string bytes =
        SolutionCsv(results_.rows, cp932 ? CsvEncoding::Cp932 : CsvEncoding::Utf8WithBom);
    return QString::fromStdString(ReplaceFile(path.toStdString(), bytes));
}

QString ResultsDialog::SaveText(const QString& path, bool runList) const {
    return QString::fromStdString(
        ReplaceFile(path.toStdString(), runList ? results_.runList : results_.solution));
}

void ResultsDialog::AskAndSaveCsv() {
    const QString utf8 = QStringLiteral("CSV UTF-8 (BOM 付き) (*.csv)");
    const QString sjis = QStringLiteral("CSV Shift_JIS (*.csv)");
    QString chosen;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("CSV で保存"), QString(), utf8 + ";;" + sjis, &chosen);
    if (path.isEmpty()) {
        return;
    }
    if (const QString error = SaveCsv(path, chosen == sjis); !error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("KOVA"), QStringLiteral("%1 を書けません: %2").arg(path, error));
    }
}

void ResultsDialog::AskAndSaveText(bool runList) {
    const QString path = QFileDialog::getSaveFileName(
        this, runList ? QStringLiteral("計算経過一覧を保存") : QStringLiteral("最適化解を保存"),
        QString(), QStringLiteral("テキスト (*.txt)"));
    if (path.isEmpty()) {
        return;
    }
    if (const QString error = SaveText(path, runList); !error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("KOVA"), QStringLiteral("%1 を書けません: %2").arg(path, error));
    }
}

void ResultsDialog::ShowTab(int selection) {
    runListPane_->setVisible(selection == 0);
    flowPane_->setVisible(selection == 1);
    tablePane_->setVisible(selection == 2);
}

void ResultsDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlacePanes();
}

// At the initial size the panes stand where the window was designed to
// hold them, (20, 40) and 640 x 530; they grow and shrink with the window.
void ResultsDialog::PlacePanes() {
    if (ok_ == nullptr) {
        return;
    }
    const int w = width();
    const int h = height();
    tab_->resize(tab_->sizeHint());
    const int notesLeft = tab_->x() + tab_->width() + 12;
    const int notesWidth = std::max(40, w - 20 - notesLeft);
    const int notesHeight = notes_->text().isEmpty() ? 0 : notes_->heightForWidth(notesWidth);
    const int extra = std::max(0, notesHeight - 28);
    notes_->setGeometry(notesLeft, 12, notesWidth, std::max(notesHeight, 24));
    const int grownW = w - initialSize_.width();
    const int grownH = h - initialSize_.height();
    body_->setGeometry(10, 10 + extra, 660 + grownW, 550 + grownH - extra);
    const QRect pane(20, 40 + extra, 640 + grownW, 530 + grownH - extra);
    for (QWidget* widget : {static_cast<QWidget*>(runListPane_), static_cast<QWidget*>(flowPane_), tablePane_}) {
        widget->setGeometry(pane);
    }
    ok_->move((w - ok_->width()) / 2, h - ok_->height() - 12);
}

}  // namespace kova::dialogs
