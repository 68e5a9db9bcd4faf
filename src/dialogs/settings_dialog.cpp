#include "dialogs/settings_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <charconv>
#include <cmath>

#include "gui/dialog_units.h"
#include "gui/user_prompts.h"
#include "text/c_runtime.h"
#include "text/number_text.h"

namespace kova::dialogs {
namespace {

constexpr const char* kNotANumber = "数値を入力してください。";

}  // namespace

SettingsDialog::SettingsDialog(const InitSettings& values, gui::UserPrompts& prompts,
                               QWidget* parent)
    : QDialog(parent), values_(values), prompts_(prompts) {
    setWindowTitle(QStringLiteral("KOVA初期値設定"));
    setObjectName(QStringLiteral("InitSettingsDialog"));
    setFont(gui::FixedPitchJapaneseFont(11));
    const gui::DialogUnits units(font());
    setFixedSize(units.Size(282, 198));

    // Template order is the tab order.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    ok->setGeometry(units.Rect(87, 162, 50, 14));
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(units.Rect(144, 162, 50, 14));
    auto* label = new QLabel(QStringLiteral("解の誤差許容限界値"), this);
    label->setGeometry(units.Rect(52, 36, 76, 9));
    label->adjustSize();
    toleranceEdit_ = new QLineEdit(this);
    toleranceEdit_->setObjectName(QStringLiteral("ToleranceEdit"));
    toleranceEdit_->setGeometry(units.Rect(133, 33, 40, 14));
    checkWhileTypingBox_ = new QCheckBox(QStringLiteral("入力中にデータの誤りを調べる(&K)"), this);
    checkWhileTypingBox_->setObjectName(QStringLiteral("CheckWhileTypingBox"));
    checkWhileTypingBox_->setGeometry(units.Rect(52, 53, 180, 10));
    checkWhileTypingBox_->adjustSize();
    auto* group = new QGroupBox(QStringLiteral("KOVA印刷ファイルの選択"), this);
    group->setGeometry(units.Rect(48, 69, 183, 89));
    const auto place = [&](QCheckBox* box, int x, int y, int w, int h) {
        const QRect rect = units.Rect(x, y, w, h);
        box->setGeometry(QRect(rect.topLeft() - group->pos(), rect.size()));
        box->adjustSize();
    };
    printDataBox_ = new QCheckBox(QStringLiteral("インプット・データ ファイル"), group);
    printDataBox_->setObjectName(QStringLiteral("PrintDataBox"));
    place(printDataBox_, 63, 90, 148, 10);
    printRunListBox_ = new QCheckBox(QStringLiteral("計算経過一覧"), group);
    printRunListBox_->setObjectName(QStringLiteral("PrintRunListBox"));
    place(printRunListBox_, 63, 111, 64, 10);
    printFlowBox_ = new QCheckBox(QStringLiteral("輸送最適化解"), group);
    printFlowBox_->setObjectName(QStringLiteral("PrintFlowBox"));
    place(printFlowBox_, 64, 130, 64, 10);

    setTabOrder(ok, cancel);
    setTabOrder(cancel, toleranceEdit_);
    setTabOrder(toleranceEdit_, checkWhileTypingBox_);
    setTabOrder(checkWhileTypingBox_, printDataBox_);
    setTabOrder(printDataBox_, printRunListBox_);
    setTabOrder(printRunListBox_, printFlowBox_);

    connect(ok, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SettingsDialog::reject);

    toleranceEdit_->setText(ToleranceText(values_.tolerance));
    printDataBox_->setChecked(values_.printData != 0);
    printRunListBox_->setChecked(values_.printRunList != 0);
    printFlowBox_->setChecked(values_.printFlow != 0);
    checkWhileTypingBox_->setChecked(values_.checkWhileTyping);
}

QString SettingsDialog::ToleranceText(double value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return QString::fromLatin1(text, result.ptr - text);
}

// What --tolerance takes, full-width digits and signs from an input method included.
bool SettingsDialog::ParseTolerance(const QString& text, double* value) {
    const std::optional<double> parsed = ReadNumberText(text.toStdString());
    if (!parsed) {
        return false;
    }
    *value = *parsed;
    return true;
}

void SettingsDialog::accept() {
    double tolerance = 0.0;
    if (!ParseTolerance(toleranceEdit_->text(), &tolerance)) {
        prompts_.ShowMessage(this, QString::fromUtf8(kNotANumber), gui::BoxIcon::Stop);
        toleranceEdit_->setFocus();
        toleranceEdit_->selectAll();
        return;
    }
    values_.tolerance = tolerance;
    values_.printData = printDataBox_->isChecked() ? 1 : 0;
    values_.printRunList = printRunListBox_->isChecked() ? 1 : 0;
    values_.printFlow = printFlowBox_->isChecked() ? 1 : 0;
    values_.checkWhileTyping = checkWhileTypingBox_->isChecked();
    QDialog::accept();
}

}  // namespace kova::dialogs
