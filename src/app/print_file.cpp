#include "app/print_file.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <cstdio>
#include <string_view>

#include "app/document.h"
#include "app/editor_view.h"
#include "app/exit_status.h"
#include "gui/document_text.h"
#include "layout/print_layout.h"
#include "printing/pdf_output.h"
#include "text/file_encoding.h"

namespace kova::app {
namespace {

// Every line (ended by LF, CR LF or CR, as the editor shows them) in pieces
// of at most 80 bytes, one piece a line.
std::string CutLines(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 64);
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view line = bytes.substr(start, end - start);
        while (line.size() > PrintLayout::kWrapBytes) {
            const std::size_t cut = PrintLayout::WrapLength(line);
            out.append(line.substr(0, cut));
            out += '\n';
            line.remove_prefix(cut);
        }
        out.append(line);
        if (end == bytes.size()) {
            break;
        }
        out += '\n';
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return out;
}

}  // namespace

void PrintEditorPages(const EditorView& view, const std::string& bytes, QPrinter* printer) {
    QTextDocument document;
    document.setDefaultFont(view.document()->defaultFont());
    document.setDefaultTextOption(view.document()->defaultTextOption());
    document.setPlainText(gui::BytesToDisplay(CutLines(bytes)));
    document.print(printer);
}

int PrintFile(const QString& path, const QString& pdfPath) {
    QString reason;
    const std::optional<std::string> bytes = Document::ReadFile(path, &reason);
    if (!bytes) {
        std::fprintf(stderr, "kova: cannot open %s: %s\n", qPrintable(path), qPrintable(reason));
        return kExitNotReadable;
    }
    EditorView view;
    QPrinter printer;
    printer.setDocName(QStringLiteral("KOVA"));
    if (!pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
    } else if (QPrinterInfo::availablePrinters().isEmpty()) {
        std::fprintf(stderr, "kova: no printer is installed (try --pdf PATH)\n");
        return kExitPrintFailed;
    }
    printing::PdfFileOutput output(printer);
    // As the editor reads it: a UTF-8 file prints its characters.
    PrintEditorPages(view, DataTextOf(*bytes, DetectEncoding(*bytes)), &printer);
    if (printer.printerState() == QPrinter::Error) {
        std::fprintf(stderr, "kova: printing %s failed\n", qPrintable(path));
        return kExitPrintFailed;
    }
    if (const QString error = output.Finish(); !error.isEmpty()) {
        std::fprintf(stderr, "kova: %s: cannot write: %s\n", qPrintable(pdfPath),
                     qPrintable(error));
        return kExitCannotWrite;
    }
    return kExitOk;
}

}  // namespace kova::app
