// `kova --print FILE`: the file's text on the default printer (or a PDF),
// with the editor's own pagination, without a window.
#pragma once

#include <QString>

namespace kova::app {

// The exit status: 0 printed, 1 no printer or the job failed, 66 file not readable.
int PrintFile(const QString& path, const QString& pdfPath);

}  // namespace kova::app
