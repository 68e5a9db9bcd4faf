// Answers the shell's questions from a script and records its messages.
#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "gui/user_prompts.h"

namespace kova::testing {

class ScriptedPrompts final : public gui::UserPrompts {
  public:
    struct Message {
        QString text;
        gui::BoxIcon icon;
    };

    QString AskImportPath(QWidget*, const QString&) override {
        return importPaths.isEmpty() ? QString() : importPaths.takeFirst();
    }
    QString AskModelPath(QWidget*, const QString&, bool* mps) override {
        const QString path = modelPaths.isEmpty() ? QString() : modelPaths.takeFirst();
        *mps = path.endsWith(QStringLiteral(".mps"));
        return path;
    }
    QString AskOpenPath(QWidget*, const QString&) override {
        return openPaths.isEmpty() ? QString() : openPaths.takeFirst();
    }
    QString AskSavePath(QWidget*, const QString& suggestion, FileEncoding* encoding) override {
        saveSuggestions.append(suggestion);
        offeredEncodings.append(*encoding);
        if (!saveEncodings.isEmpty()) {
            *encoding = saveEncodings.takeFirst();
        }
        return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
    }
    int AskLineNumber(QWidget*, int current, int last) override {
        lineQuestions.append({current, last});
        return lines.isEmpty() ? 0 : lines.takeFirst();
    }
    gui::SaveChoice AskSaveChanges(QWidget*, const QString& title) override {
        saveQuestions.append(title);
        return saveChoices.isEmpty() ? gui::SaveChoice::Cancel : saveChoices.takeFirst();
    }
    bool AskYesNo(QWidget*, const QString& text) override {
        questions.append(text);
        return yesNo.isEmpty() ? false : yesNo.takeFirst();
    }
    void ShowMessage(QWidget*, const QString& text, gui::BoxIcon icon) override {
        messages.append({text, icon});
        if (onMessage) {
            onMessage(text);
        }
    }

    QStringList openPaths;
    QStringList importPaths;
    QStringList modelPaths;  // a name ending in .mps asks for MPS
    QStringList savePaths;
    QList<gui::SaveChoice> saveChoices;
    QList<bool> yesNo;
    QList<FileEncoding> saveEncodings;  // empty: the one offered
    QList<int> lines;

    QStringList saveSuggestions;
    QList<FileEncoding> offeredEncodings;
    QList<QPair<int, int>> lineQuestions;  // current, last
    QStringList saveQuestions;
    QStringList questions;
    QList<Message> messages;
    std::function<void(const QString&)> onMessage;
};

}  // namespace kova::testing
