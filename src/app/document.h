// The document: a file that is nothing but the editor's text bytes.
#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "text/file_encoding.h"

namespace kova::gui {
class UserPrompts;
}

namespace kova::app {

class EditorView;

class Document final : public QObject {
    Q_OBJECT
  public:
    // The editor refuses files larger than this.
    static constexpr qint64 kLargestFile = 64LL * 1024 * 1024;

    Document(EditorView& view, gui::UserPrompts& prompts);

    // Every byte of a file the editor can take; nothing, with the reason
    // for the user, when it cannot.
    static std::optional<std::string> ReadFile(const QString& path, QString* reason);
    // Why the last open failed.
    const QString& OpenError() const { return openError_; }

    // Empties the text; the document becomes untitled.
    bool Clear();
    // A new untitled document holding `bytes`, modified, so nothing is lost
    // and nothing is written over the file it came from.
    void SetImportedText(const std::string& bytes);
    // Loads every byte of the file, shown in the encoding they are in; on
    // failure reports it and keeps the text.
    bool LoadFile(const QString& path);
    // Writes the text in `encoding` (the text's own by default); on failure
    // reports it and keeps the file as it was.
    bool SaveFile(const QString& path);
    bool SaveFile(const QString& path, FileEncoding encoding);

    // The save and save-as commands; false when nothing was saved.
    bool Save();
    bool SaveAs();
    // Asks whether to save a modified text; false when the user cancels.
    bool MaybeSave();

    bool IsModified() const;
    const QString& FilePath() const { return filePath_; }
    // The file name, or "無題" for an untitled document.
    QString Title() const;

  signals:
    void TitleChanged(const QString& title);
    // A file was opened or saved under a name: it belongs on the recent list.
    void PathUsed(const QString& path);
    // The text's encoding changed (opened, saved in another, new).
    void EncodingChanged(FileEncoding encoding);
    // Something the user should know that needs no answer.
    void Notice(const QString& text);

  private:
    void SetFilePath(const QString& path);

    EditorView& view_;
    gui::UserPrompts& prompts_;
    QString filePath_;
    QString openError_;
};

}  // namespace kova::app
