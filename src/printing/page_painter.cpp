#include "printing/page_painter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <cmath>

#include "gui/dialog_units.h"
#include "text/cp932.h"

namespace kova::printing {

QFont PagePainter::PrintFont() {
    // "Courier New" has no Japanese glyphs and its substitutes break the byte
    // columns; the fixed-pitch Japanese face keeps them.
    QFont font = gui::FixedPitchJapaneseFont(12);
    font.setPixelSize(240);
    font.setWeight(QFont::ExtraLight);  // the nearest the face has
    font.setStyleHint(QFont::TypeWriter);
    font.setKerning(false);
    return font;
}

bool PagePainter::Begin(QPagedPaintDevice& device) {
    device_ = &device;
    if (!painter_.begin(&device)) {
        return false;
    }
    const double scale = device.logicalDpiX() / 1440.0;
    painter_.scale(scale, device.logicalDpiY() / 1440.0);
    font_ = PrintFont();
    painter_.setFont(font_);
    ascent_ = QFontMetricsF(font_).ascent();
    return true;
}

int PagePainter::LineHeight() {
    const QFontMetricsF metrics(PrintFont());
    return static_cast<int>(std::lround(metrics.height() + metrics.leading()));
}

void PagePainter::DrawAndEnd(const std::vector<PrintedPage>& pages) {
    bool first = true;
    for (const PrintedPage& page : pages) {
        if (!first) {
            device_->newPage();
        }
        first = false;
        for (const PrintedLine& line : page.lines) {
            painter_.drawText(QPointF(line.x, -line.y + ascent_),
                              QString::fromStdString(Cp932ToUtf8(line.text)));
        }
    }
    painter_.end();
}

}  // namespace kova::printing
