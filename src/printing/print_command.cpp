#include "printing/print_command.h"

#include <QPrintDialog>
#include <QPrinter>

#include "gui/document_text.h"
#include "gui/user_prompts.h"
#include "layout/print_layout.h"
#include "printing/page_painter.h"
#include "printing/pdf_output.h"
#include "text/date_time.h"
#include "text/system_texts.h"

namespace kova::printing {
namespace {

constexpr int kLastPage = 0xFFFF;

}  // namespace

bool PrintCommand::RunPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, kLastPage);
    return dialog.exec() == QDialog::Accepted;
}

void PrintCommand::Run(const std::string& dataText, const RunResults& results,
                       InitSettings& settings, QPrinter& printer, QWidget* parent) {
    settings.ReadFlags(store_);
    if (settings.printData != 0 && dataText.empty()) {
        prompts_.ShowMessage(parent, gui::BytesToDisplay(Texts().printNoInputData),
                             gui::BoxIcon::Stop);
        return;
    }
    if ((settings.printFlow != 0 || settings.printRunList != 0) && results.runList.empty()) {
        prompts_.ShowMessage(parent, gui::BytesToDisplay(Texts().printNotRun), gui::BoxIcon::Stop);
        return;
    }
    // A cancelled dialog leaves nothing to print on: the job cannot start.
    printer.setDocName(QStringLiteral("KOVA"));
    if (!askPrinter_(printer, parent)) {
        prompts_.ShowMessage(parent, gui::BytesToDisplay(Texts().printFailed), gui::BoxIcon::None);
        return;
    }
    PrintInput input;
    input.dataText = dataText;
    input.runList = results.runList;
    input.solution = results.solution;
    input.printData = settings.printData != 0;
    input.printRunList = settings.printRunList != 0;
    input.printFlow = settings.printFlow != 0;
    // With no page range chosen (or no printer to ask) every page prints.
    const int from = printer.fromPage();
    const int to = printer.toPage();
    if (printer.printRange() == QPrinter::PageRange && from > 0 && to >= from) {
        input.firstPage = static_cast<std::uint16_t>(std::min(from, kLastPage));
        input.lastPage = static_cast<std::uint16_t>(std::min(to, kLastPage));
    }
    input.lineHeight = PagePainter::LineHeight();
    const std::vector<PrintedPage> pages =
        PrintLayout(std::move(input), [this] { return DateTimeText(clock_.Now()); }).Layout();
    // No page in the range: no job, so no blank sheet comes out.
    if (!pages.empty()) {
        PdfFileOutput output(printer);
        PagePainter painter;
        if (painter.Begin(printer)) {
            painter.DrawAndEnd(pages);
            if (!output.Finish().isEmpty()) {
                prompts_.ShowMessage(parent, gui::BytesToDisplay(Texts().printFailed),
                                     gui::BoxIcon::None);
            }
        } else {
            prompts_.ShowMessage(parent, gui::BytesToDisplay(Texts().printFailed),
                                 gui::BoxIcon::None);
        }
    }
    // The next print starts from all pages again.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
}

}  // namespace kova::printing
