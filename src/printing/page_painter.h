// Draws laid-out pages on any paged device, in units of 1/1440 inch.
#pragma once

#include <QFont>
#include <QPainter>
#include <vector>

#include "layout/print_layout.h"

class QPagedPaintDevice;

namespace kova::printing {

class PagePainter {
  public:
    // The print font: a fixed-pitch face whose half-width glyphs are half a
    // kanji, 240 units (12 points) high.
    static QFont PrintFont();

    // Text height plus external leading of the print font, in 1/1440 inch
    // (a pixel-sized font measures the same on every device).
    static int LineHeight();

    // Starts the job on `device`; false when it cannot start.
    bool Begin(QPagedPaintDevice& device);
    // Draws the pages, each on a new sheet, and ends the job.
    void DrawAndEnd(const std::vector<PrintedPage>& pages);

  private:
    QPagedPaintDevice* device_ = nullptr;
    QPainter painter_;
    QFont font_;
    double ascent_ = 0;
};

}  // namespace kova::printing
