// A printer that prints to a PDF file writes its pages into a scratch file
// first; Finish checks them and puts them in place of the file. A full disk
// or an unwritable place so fails without touching a PDF already there (the
// PDF writer itself reports no failed write).
#pragma once

#include <QString>
#include <memory>

class QPrinter;
class QTemporaryDir;

namespace kova::printing {

class PdfFileOutput {
  public:
    explicit PdfFileOutput(QPrinter& printer);
    // Gives the printer its own file name back.
    ~PdfFileOutput();
    PdfFileOutput(const PdfFileOutput&) = delete;
    PdfFileOutput& operator=(const PdfFileOutput&) = delete;

    // After the job has ended: empty when the file is in place (or nothing
    // was printed, or the printer prints on paper), else the reason.
    QString Finish();

  private:
    QPrinter& printer_;
    QString target_;
    std::unique_ptr<QTemporaryDir> scratch_;
};

}  // namespace kova::printing
