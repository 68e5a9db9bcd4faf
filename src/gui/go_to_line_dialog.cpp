#include "gui/go_to_line_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

namespace kova::gui {

GoToLineDialog::GoToLineDialog(int current, int last, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("行へ移動"));
    setObjectName(QStringLiteral("GoToLineDialog"));
    auto* form = new QFormLayout(this);
    lineBox_ = new QSpinBox(this);
    lineBox_->setObjectName(QStringLiteral("LineBox"));
    lineBox_->setRange(1, std::max(1, last));
    lineBox_->setValue(current);
    lineBox_->selectAll();
    form->addRow(QStringLiteral("行番号(&L) (1 - %1):").arg(std::max(1, last)), lineBox_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("移動"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int GoToLineDialog::Line() const {
    return lineBox_->value();
}

}  // namespace kova::gui
