// The tolerance, the three print choices and the editor's check while
// typing, as the user edits them.
#pragma once

#include <QDialog>

#include "settings/init_settings.h"

class QCheckBox;
class QLineEdit;

namespace kova::gui {
class UserPrompts;
}

namespace kova::dialogs {

class SettingsDialog final : public QDialog {
    Q_OBJECT
  public:
    // Shows the tolerance and the three print choices of `values`.
    SettingsDialog(const InitSettings& values, gui::UserPrompts& prompts,
                   QWidget* parent = nullptr);

    // `values` as the user accepted them.
    const InitSettings& Values() const { return values_; }

    QLineEdit* ToleranceEdit() const { return toleranceEdit_; }
    QCheckBox* PrintDataBox() const { return printDataBox_; }
    QCheckBox* PrintRunListBox() const { return printRunListBox_; }
    QCheckBox* PrintFlowBox() const { return printFlowBox_; }
    QCheckBox* CheckWhileTypingBox() const { return checkWhileTypingBox_; }

    // The number as the edit shows it (general notation, 15 digits).
    static QString ToleranceText(double value);
    // A whole number text with blanks around it; nothing else is a number.
    static bool ParseTolerance(const QString& text, double* value);

  public slots:
    // Takes the controls into the values; a text that is no number keeps
    // the window open with the focus in the edit.
    void accept() override;

  private:
    InitSettings values_;
    gui::UserPrompts& prompts_;
    QLineEdit* toleranceEdit_ = nullptr;
    QCheckBox* printDataBox_ = nullptr;
    QCheckBox* printRunListBox_ = nullptr;
    QCheckBox* printFlowBox_ = nullptr;
    QCheckBox* checkWhileTypingBox_ = nullptr;
};

}  // namespace kova::dialogs
