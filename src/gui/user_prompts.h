// Every modal question and message of the shell goes through this seam, so
// that tests can answer them without a person at the screen.
#pragma once

#include <QString>

#include "text/file_encoding.h"

class QWidget;

namespace kova::gui {

enum class SaveChoice { Save, Discard, Cancel };
enum class BoxIcon { Stop, Information, None };

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;

    // Empty when the user cancels.
    virtual QString AskOpenPath(QWidget* parent, const QString& directory) = 0;
    // `encoding` comes in as the text's and goes out as the user chose.
    virtual QString AskSavePath(QWidget* parent, const QString& suggestion,
                                FileEncoding* encoding) = 0;
    // A line from 1 to `last`; 0 when the user cancels.
    virtual int AskLineNumber(QWidget* parent, int current, int last) = 0;
    // A DIMACS (.min) or arc-table (.csv) file to import.
    virtual QString AskImportPath(QWidget* parent, const QString& directory) = 0;
    // Where to write the MIP model; `mps` says which form was chosen.
    virtual QString AskModelPath(QWidget* parent, const QString& suggestion, bool* mps) = 0;
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
    QString AskSavePath(QWidget* parent, const QString& suggestion,
                        FileEncoding* encoding) override;
    int AskLineNumber(QWidget* parent, int current, int last) override;
    QString AskImportPath(QWidget* parent, const QString& directory) override;
    QString AskModelPath(QWidget* parent, const QString& suggestion, bool* mps) override;
    SaveChoice AskSaveChanges(QWidget* parent, const QString& documentTitle) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text, BoxIcon icon) override;
};

}  // namespace kova::gui
