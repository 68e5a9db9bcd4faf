#include "printing/pdf_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include "files/output_file.h"

namespace kova::printing {
namespace {

const QString kPagesFile = QStringLiteral("pages.pdf");

}  // namespace

PdfFileOutput::PdfFileOutput(QPrinter& printer) : printer_(printer) {
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) {
        return;
    }
    target_ = printer.outputFileName();
    for (const QString& base : {QDir::tempPath(), QFileInfo(target_).absolutePath()}) {
        scratch_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/kova-print-XXXXXX"));
        if (scratch_->isValid()) {
            printer.setOutputFileName(scratch_->filePath(kPagesFile));
            return;
        }
    }
    scratch_.reset();  // written directly, as nothing else is possible
}

PdfFileOutput::~PdfFileOutput() {
    if (!target_.isEmpty()) {
        printer_.setOutputFileName(target_);
    }
}

QString PdfFileOutput::Finish() {
    if (!scratch_) {
        return {};
    }
    QFile pages(scratch_->filePath(kPagesFile));
    if (!pages.exists()) {
        return {};  // no page was printed
    }
    const QByteArray bytes = pages.open(QIODevice::ReadOnly) ? pages.readAll() : QByteArray();
    // A whole PDF ends with its end-of-file mark.
    if (printer_.printerState() == QPrinter::Error || pages.error() != QFileDevice::NoError ||
        !bytes.trimmed().endsWith("%%EOF")) {
        return QStringLiteral("the pages could not be written in full (%1)")
            .arg(QDir::toNativeSeparators(scratch_->path()));
    }
    const std::string error = ReplaceFile(QFile::encodeName(target_).toStdString(),
                                          std::string_view(bytes.constData(), bytes.size()));
    return QString::fromLocal8Bit(error);
}

}  // namespace kova::printing
