// Every modal question and message of the shell goes through this seam, so
// that tests can answer them without a person at the screen.
#pragma once

#include <QString>

class QWidget;

namespace kova::gui {

enum class SaveChoice { Save, Discard, Cancel };
enum class BoxIcon { Stop, Information, None };

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;

    // Empty when the user cancels.
    virtual QString AskOpenPath(QWidget* parent, const QString& directory) = 0;
    virtual QString AskSavePath(QWidget* parent, const QString& suggestion) = 0;
    virtual SaveChoice AskSaveChanges(QWidget* parent, const QString& documentTitle) = 0;
    // Yes/No question; true for yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // A message box with caption "KOVA" and one OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, BoxIcon icon) = 0;
};

// The real dialogs and message boxes.
class DialogPrompts final : public UserPrompts {
  public:
    QString AskOpenPath(QWidget* parent, const QString& directory) override;
    QString AskSavePath(QWidget* parent, const QString& suggestion) override;
    SaveChoice AskSaveChanges(QWidget* parent, const QString& documentTitle) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text, BoxIcon icon) override;
};

}  // namespace kova::gui
