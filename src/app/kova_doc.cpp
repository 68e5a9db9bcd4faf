#include "app/kova_doc.h"

#include <QFile>
#include <QFileInfo>

#include "gui/app_texts.h"
#include "gui/document_text.h"
#include "app/kova_view.h"
#include "gui/user_prompts.h"
#include "run/output_file.h"

namespace kova::app {
namespace {

QString Native(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

}  // namespace

CKOVADoc::CKOVADoc(CKOVAView& view, gui::UserPrompts& prompts) : view_(view), prompts_(prompts) {
    connect(view_.document(), &QTextDocument::modificationChanged, this,
            [this] { emit TitleChanged(Title()); });
}

bool CKOVADoc::OnNewDocument() {
    view_.SetWindowText(std::string());
    SetPathName(QString());
    return true;
}

std::optional<std::string> CKOVADoc::ReadFile(const QString& path, QString* reason) {
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

bool CKOVADoc::OnOpenDocument(const QString& path) {
    const std::optional<std::string> bytes = ReadFile(path, &openError_);
    if (!bytes) {
        prompts_.ShowMessage(view_.window(),
                             QString::fromUtf8(gui::kCannotOpen).arg(Native(path), openError_),
                             gui::BoxIcon::Stop);
        return false;
    }
    openError_.clear();
    view_.SetWindowText(*bytes);
    SetPathName(Native(path));
    emit PathUsed(pathName_);
    if (view_.isReadOnly()) {
        prompts_.ShowMessage(view_.window(),
                             QString::fromUtf8(gui::kLongLinesReadOnly).arg(CKOVAView::kLongestEditedLine),
                             gui::BoxIcon::Information);
    }
    return true;
}

bool CKOVADoc::OnSaveDocument(const QString& path) {
    std::string bytes;
    bool lossy = false;
    if (view_.document()->isModified()) {
        bytes = gui::DisplayToBytes(view_.document()->toRawText(), &lossy);
        if (lossy && !prompts_.AskYesNo(view_.window(), QString::fromUtf8(gui::kLossySave))) {
            return false;
        }
    } else {
        bytes = view_.WindowText();
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
    if (lossy) {
        // Characters were replaced: the editor shows what the file now holds.
        view_.SetWindowText(bytes);
    } else {
        view_.MarkSaved(bytes);
    }
    SetPathName(Native(path));
    emit PathUsed(pathName_);
    return true;
}

bool CKOVADoc::DoFileSave() {
    return DoSave(pathName_);
}

bool CKOVADoc::DoSave(const QString& path) {
    QString target = path;
    if (target.isEmpty()) {
        const QString suggestion =
            pathName_.isEmpty() ? QString::fromUtf8(gui::kUntitled) + QStringLiteral(".kvf") : pathName_;
        target = prompts_.AskSavePath(view_.window(), suggestion);
        if (target.isEmpty()) {
            return false;
        }
        if (QFileInfo(target).suffix().isEmpty()) {
            target += QLatin1Char('.') + QString::fromUtf8(gui::kDefaultSuffix);
        }
    }
    return OnSaveDocument(target);
}

bool CKOVADoc::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    switch (prompts_.AskSaveChanges(view_.window(), Title())) {
        case gui::SaveChoice::Save:
            return DoFileSave();
        case gui::SaveChoice::Discard:
            return true;
        case gui::SaveChoice::Cancel:
            return false;
    }
    return false;
}

bool CKOVADoc::IsModified() const {
    return view_.document()->isModified();
}

QString CKOVADoc::Title() const {
    return pathName_.isEmpty() ? QString::fromUtf8(gui::kUntitled) : QFileInfo(pathName_).fileName();
}

void CKOVADoc::SetPathName(const QString& path) {
    pathName_ = path;
    emit TitleChanged(Title());
}

}  // namespace kova::app
