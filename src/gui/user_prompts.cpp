#include "gui/user_prompts.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <cstdio>

#include "gui/app_texts.h"
#include "gui/go_to_line_dialog.h"

namespace kova::gui {
namespace {

QString Filter() {
    return QString::fromUtf8(kFileFilter);
}

}  // namespace

QString DialogPrompts::AskOpenPath(QWidget* parent, const QString& directory) {
    return QFileDialog::getOpenFileName(parent, QString(), directory, Filter());
}

QString DialogPrompts::AskImportPath(QWidget* parent, const QString& directory) {
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("インポート"), directory,
        QStringLiteral("DIMACS, CSV (*.min *.csv);;DIMACS (*.min);;CSV (*.csv);;すべて (*)"));
}

QString DialogPrompts::AskModelPath(QWidget* parent, const QString& suggestion, bool* mps) {
    const QString lp = QStringLiteral("LP (*.lp)");
    const QString free = QStringLiteral("MPS (*.mps)");
    QString chosen;
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("モデルの書き出し"),
                                                      suggestion, lp + ";;" + free, &chosen);
    *mps = chosen == free || path.endsWith(QStringLiteral(".mps"), Qt::CaseInsensitive);
    return path;
}

QString DialogPrompts::AskSavePath(QWidget* parent, const QString& suggestion,
                                   FileEncoding* encoding) {
    QFileDialog dialog(parent, QString(), suggestion, Filter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromUtf8(kDefaultSuffix));
    // The desktop's own dialog takes no extra field: the encoding needs ours.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto* choice = new QComboBox(&dialog);
    choice->setObjectName(QStringLiteral("EncodingChoice"));
    const std::pair<FileEncoding, const char*> kinds[] = {
        {FileEncoding::Cp932, kEncodingCp932},
        {FileEncoding::Utf8, kEncodingUtf8},
        {FileEncoding::Utf8WithBom, kEncodingUtf8Bom},
    };
    for (const auto& [kind, name] : kinds) {
        choice->addItem(QString::fromUtf8(name), static_cast<int>(kind));
    }
    const FileEncoding current = *encoding == FileEncoding::Unknown ? FileEncoding::Cp932 : *encoding;
    choice->setCurrentIndex(choice->findData(static_cast<int>(current)));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* label = new QLabel(QStringLiteral("文字コード(&E):"), &dialog);
        label->setBuddy(choice);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(choice, row, 1);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    *encoding = static_cast<FileEncoding>(choice->currentData().toInt());
    return dialog.selectedFiles().constFirst();
}

int DialogPrompts::AskLineNumber(QWidget* parent, int current, int last) {
    GoToLineDialog dialog(current, last, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Line() : 0;
}

SaveChoice DialogPrompts::AskSaveChanges(QWidget* parent, const QString& documentTitle) {
    const auto answer = QMessageBox::warning(
        parent, QString::fromUtf8(kAppTitle), QString::fromUtf8(kAskSaveChanges).arg(documentTitle),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (answer) {
        case QMessageBox::Yes:
            return SaveChoice::Save;
        case QMessageBox::No:
            return SaveChoice::Discard;
        default:
            return SaveChoice::Cancel;
    }
}

bool DialogPrompts::AskYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QString::fromUtf8(kAppTitle), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void DialogPrompts::ShowMessage(QWidget* parent, const QString& text, BoxIcon icon) {
    if (icon == BoxIcon::Stop) {
        // Also for whoever started the program from a terminal.
        std::fprintf(stderr, "kova: %s\n", qPrintable(QString(text).replace('\n', ' ')));
    }
    QMessageBox box(icon == BoxIcon::Stop          ? QMessageBox::Critical
                    : icon == BoxIcon::Information ? QMessageBox::Information
                                                   : QMessageBox::NoIcon,
                    QString::fromUtf8(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace kova::gui
