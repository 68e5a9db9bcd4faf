// The tolerance and the three print choices, as the user edits them.
#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLineEdit;

namespace kova::gui {
class UserPrompts;
}

namespace kova::dialogs {

class CInitSettingsDlg final : public QDialog {
    Q_OBJECT
  public:
    explicit CInitSettingsDlg(gui::UserPrompts& prompts, QWidget* parent = nullptr);

    std::int32_t m_printData = 0;
    double m_tolerance = 0.0;
    std::int32_t m_printFlow = 0;
    std::int32_t m_printRunList = 0;

    // The members into the controls.
    void ShowMembers();

    QLineEdit* ToleranceEdit() const { return toleranceEdit_; }
    QCheckBox* PrintDataBox() const { return printDataBox_; }
    QCheckBox* PrintRunListBox() const { return printRunListBox_; }
    QCheckBox* PrintFlowBox() const { return printFlowBox_; }

    // The number as the edit shows it (general notation, 15 digits).
    static QString ToleranceText(double value);
    // A whole number text with blanks around it; nothing else is a number.
    static bool ParseTolerance(const QString& text, double* value);

  public slots:
    // Takes the controls into the members; a text that is no number keeps
    // the window open with the focus in the edit.
    void accept() override;

  private:
    gui::UserPrompts& prompts_;
    QLineEdit* toleranceEdit_ = nullptr;
    QCheckBox* printDataBox_ = nullptr;
    QCheckBox* printRunListBox_ = nullptr;
    QCheckBox* printFlowBox_ = nullptr;
};

}  // namespace kova::dialogs
