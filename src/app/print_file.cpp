#include "app/print_file.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>

#include "app/kova_doc.h"
#include "app/kova_view.h"

namespace kova::app {

int PrintFile(const QString& path, const QString& pdfPath) {
    QFile file(path);
    if (QFileInfo(path).isDir() || QFileInfo(path).size() > CKOVADoc::kLargestFile ||
        !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kova: cannot open %s\n", qPrintable(path));
        return 66;
    }
    CKOVAView view;
    view.SetWindowText(file.readAll().toStdString());

    QPrinter printer;
    printer.setDocName(QStringLiteral("KOVA"));
    if (!pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
    } else if (QPrinterInfo::availablePrinters().isEmpty()) {
        std::fprintf(stderr, "kova: no printer is installed (try --pdf PATH)\n");
        return 1;
    }
    view.print(&printer);
    if (printer.printerState() == QPrinter::Error) {
        std::fprintf(stderr, "kova: printing %s failed\n", qPrintable(path));
        return 1;
    }
    return 0;
}

}  // namespace kova::app
