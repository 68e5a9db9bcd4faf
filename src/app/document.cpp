#include "app/document.h"

#include <QFile>
#include <QFileInfo>

#include "app/editor_view.h"
#include "files/output_file.h"
#include "gui/app_texts.h"
#include "gui/user_prompts.h"

namespace kova::app {
namespace {

QString Native(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

}  // namespace

Document::Document(EditorView& view, gui::UserPrompts& prompts) : view_(view), prompts_(prompts) {
    connect(view_.document(), &QTextDocument::modificationChanged, this,
            [this] { emit TitleChanged(Title()); });
}

bool Document::Clear() {
    view_.SetTextBytes(std::string());
    SetFilePath(QString());
    emit EncodingChanged(view_.Encoding());
    return true;
}

void Document::SetImportedText(const std::string& bytes) {
    Clear();
    view_.SetTextBytes(bytes);
    view_.document()->setModified(true);
    emit TitleChanged(Title());
}

std::optional<std::string> Document::ReadFile(const QString& path, QString* reason) {
    const QFileInfo info(path);
    QFile file(path);
    const QString tooLarge = QString::fromUtf8(gui::kTooLarge).arg(kLargestFile / (1024 * 1024));
    if (!info.exists()) {
        *reason = QString::fromUtf8(gui::kNoSuchFile);
    } else if (info.isDir()) {
        *reason = QString::fromUtf8(gui::kIsFolder);
    } else if (info.size() > kLargestFile) {
        *reason = tooLarge;
    } else if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
    } else {
        const QByteArray bytes = file.read(kLargestFile + 1);
        if (file.error() != QFileDevice::NoError) {
            *reason = file.errorString();
        } else if (bytes.size() > kLargestFile) {
            *reason = tooLarge;
        } else {
            return bytes.toStdString();
        }
    }
    return std::nullopt;
}

bool Document::LoadFile(const QString& path) {
    const std::optional<std::string> bytes = ReadFile(path, &openError_);
    if (!bytes) {
        prompts_.ShowMessage(view_.window(),
                             QString::fromUtf8(gui::kCannotOpen).arg(Native(path), openError_),
                             gui::BoxIcon::Stop);
        return false;
    }
    openError_.clear();
    const FileEncoding encoding = view_.SetFileBytes(*bytes);
    SetFilePath(Native(path));
    emit PathUsed(filePath_);
    emit EncodingChanged(encoding);
    if (encoding == FileEncoding::Unknown) {
        emit Notice(QString::fromUtf8(gui::kUnknownEncoding).arg(Title()));
    }
    if (view_.isReadOnly()) {
        prompts_.ShowMessage(
            view_.window(),
            QString::fromUtf8(gui::kLongLinesReadOnly).arg(EditorView::kLongestEditedLine),
            gui::BoxIcon::Information);
    }
    return true;
}

bool Document::SaveFile(const QString& path) {
    return SaveFile(path, view_.Encoding());
}

bool Document::SaveFile(const QString& path, FileEncoding encoding) {
    bool lossy = false;
    const std::string bytes = view_.FileBytes(encoding, &lossy);
    if (lossy && !prompts_.AskYesNo(view_.window(), QString::fromUtf8(gui::kLossySave))) {
        return false;
    }
    // Written beside the file, synced and renamed over it, so a failure (a
    // full disk among them) leaves the old file whole and the text modified.
    if (const std::string error = ReplaceFile(QFile::encodeName(path).toStdString(), bytes);
        !error.empty()) {
        const QString reason = QString::fromLocal8Bit(error);
        prompts_.ShowMessage(view_.window(),
                             QString::fromUtf8(gui::kCannotSave).arg(Native(path), reason),
                             gui::BoxIcon::Stop);
        return false;
    }
    const bool encodingChanged = encoding != view_.Encoding();
    if (lossy) {
        // Characters were replaced: the editor shows what the file now holds.
        view_.SetTextBytes(bytes, encoding);
    } else {
        view_.MarkSaved(bytes, encoding);
    }
    SetFilePath(Native(path));
    emit PathUsed(filePath_);
    if (encodingChanged) {
        emit EncodingChanged(encoding);
    }
    return true;
}

bool Document::Save() {
    return filePath_.isEmpty() ? SaveAs() : SaveFile(filePath_);
}

bool Document::SaveAs() {
    const QString suggestion = filePath_.isEmpty()
                                   ? QString::fromUtf8(gui::kUntitled) + QStringLiteral(".kvf")
                                   : filePath_;
    FileEncoding encoding = view_.Encoding();
    QString target = prompts_.AskSavePath(view_.window(), suggestion, &encoding);
    if (target.isEmpty()) {
        return false;
    }
    if (QFileInfo(target).suffix().isEmpty()) {
        target += QLatin1Char('.') + QString::fromUtf8(gui::kDefaultSuffix);
    }
    // A file that is neither stays as it is when kept in code page 932.
    if (encoding == FileEncoding::Cp932 && view_.Encoding() == FileEncoding::Unknown) {
        encoding = FileEncoding::Unknown;
    }
    return SaveFile(target, encoding);
}

bool Document::MaybeSave() {
    if (!IsModified()) {
        return true;
    }
    switch (prompts_.AskSaveChanges(view_.window(), Title())) {
        case gui::SaveChoice::Save:
            return Save();
        case gui::SaveChoice::Discard:
            return true;
        case gui::SaveChoice::Cancel:
            return false;
    }
    return false;
}

bool Document::IsModified() const {
    return view_.document()->isModified();
}

QString Document::Title() const {
    return filePath_.isEmpty() ? QString::fromUtf8(gui::kUntitled)
                               : QFileInfo(filePath_).fileName();
}

void Document::SetFilePath(const QString& path) {
    filePath_ = path;
    emit TitleChanged(Title());
}

}  // namespace kova::app
