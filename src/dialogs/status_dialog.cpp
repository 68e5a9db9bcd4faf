#include "dialogs/status_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "gui/dialog_units.h"
#include "gui/document_text.h"
#include "gui/user_prompts.h"

namespace kova::dialogs {
namespace {

struct FieldRow {
    LiveField field;
    const char* label;
    QRect labelRect;  // dialog units
    QRect fieldRect;
};

const FieldRow kRows[] = {
    {LiveField::Feasibility, "実行可能性状態", {15, 23, 54, 8}, {120, 22, 51, 10}},
    {LiveField::Gap, "上限値と下限値の差", {13, 38, 68, 8}, {120, 38, 51, 10}},
    {LiveField::BestTotal, "ネットワーク総費用", {15, 52, 61, 8}, {120, 53, 51, 10}},
    {LiveField::ResultCode, "ラベル結果コード", {15, 67, 56, 8}, {120, 67, 51, 10}},
    {LiveField::Branches, "分岐回数", {15, 83, 32, 8}, {120, 82, 51, 10}},
    {LiveField::Elapsed, "実行時間", {15, 100, 31, 8}, {120, 97, 51, 10}},
};

gui::BoxIcon ToBoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return gui::BoxIcon::Stop;
        case MessageIcon::Information:
            return gui::BoxIcon::Information;
        case MessageIcon::None:
            break;
    }
    return gui::BoxIcon::None;
}

}  // namespace

StatusDialog::StatusDialog(std::string dataText, double tolerance, gui::UserPrompts& prompts,
                           Clock& clock)
    : QDialog(nullptr),
      dataText_(std::move(dataText)),
      tolerance_(tolerance),
      prompts_(prompts),
      clock_(clock) {
    setWindowTitle(QStringLiteral("KOVA最適化計算状態"));
    setObjectName(QStringLiteral("CalcStatusDialog"));
    setFont(gui::ProportionalJapaneseFont(11));
    const gui::DialogUnits units(font());
    // Wide enough for the widest label in whatever face stands in.
    QSize size = units.Size(186, 141);
    setFixedSize(size);

    for (const FieldRow& row : kRows) {
        const QRect labelRect = units.Rect(row.labelRect.x(), row.labelRect.y(),
                                           row.labelRect.width(), row.labelRect.height());
        auto* label = new QLabel(QString::fromUtf8(row.label), this);
        label->adjustSize();
        label->move(labelRect.topLeft());
        auto* field = new QLabel(gui::BytesToDisplay(InitialFieldText(row.field)), this);
        field->setObjectName(QStringLiteral("Field%1").arg(static_cast<int>(row.field)));
        field->setAlignment(Qt::AlignCenter);
        field->setFrameStyle(QFrame::Box | QFrame::Plain);
        const QRect fieldRect = units.Rect(row.fieldRect.x(), row.fieldRect.y(),
                                           row.fieldRect.width(), row.fieldRect.height());
        field->setGeometry(fieldRect.adjusted(0, 0, 0, 2));
        fields_[LiveFieldIndex(row.field)] = field;
    }
    stopButton_ = new QPushButton(QStringLiteral("強制終了"), this);
    stopButton_->setObjectName(QStringLiteral("StopButton"));
    stopButton_->setGeometry(units.Rect(72, 118, 50, 14));
    stopButton_->setAutoDefault(false);
    connect(stopButton_, &QPushButton::clicked, this, &StatusDialog::RequestStop);
}

void StatusDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!timerArmed_) {
        // The window is on screen before the calculation takes the thread.
        timerArmed_ = true;
        QTimer::singleShot(kTimerPeriodMs, this, &StatusDialog::RunCalculation);
    }
}

void StatusDialog::RunCalculation() {
    running_ = true;
    CalculationRun run(*this, tolerance_);
    run.Run(dataText_);
    results_ = run.Results();
    ShowPendingFields();
    running_ = false;
    accept();
}

void StatusDialog::SetField(LiveField field, std::string_view text) {
    pending_.Set(field, text);
}

void StatusDialog::ShowPendingFields() {
    for (const LiveField field : kLiveFields) {
        if (pending_.Get(field) != shown_.Get(field)) {
            shown_.Set(field, pending_.Get(field));
            Field(field)->setText(gui::BytesToDisplay(shown_.Get(field)));
        }
    }
}

void StatusDialog::Pump() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump_ < kPumpInterval) {
        return;
    }
    lastPump_ = now;
    ShowPendingFields();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void StatusDialog::ShowMessage(std::string_view text, MessageIcon icon) {
    ShowPendingFields();
    prompts_.ShowMessage(this, gui::BytesToDisplay(text), ToBoxIcon(icon));
}

void StatusDialog::RequestStop() {
    stopRequested_ = true;
}

void StatusDialog::reject() {
    RequestStop();
}

void StatusDialog::closeEvent(QCloseEvent* event) {
    if (running_ || result() != QDialog::Accepted) {
        RequestStop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace kova::dialogs
