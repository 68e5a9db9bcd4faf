// 行へ移動: asks for a line number of the text.
#pragma once

#include <QDialog>

class QSpinBox;

namespace kova::gui {

class GoToLineDialog final : public QDialog {
    Q_OBJECT
  public:
    // Offers lines 1 to `last`, starting at `current`.
    GoToLineDialog(int current, int last, QWidget* parent = nullptr);

    int Line() const;
    QSpinBox* LineBox() const { return lineBox_; }

  private:
    QSpinBox* lineBox_ = nullptr;
};

}  // namespace kova::gui
