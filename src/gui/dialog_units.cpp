#include "gui/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace kova::gui {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    // The average width of the Latin letters, as the dialog manager measures it.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = metrics.horizontalAdvance(letters) / letters.size() / 4.0;
    baseY_ = metrics.height() / 8.0;
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(static_cast<int>(std::lround(x * baseX_)),
                 static_cast<int>(std::lround(y * baseY_)),
                 static_cast<int>(std::lround(width * baseX_)),
                 static_cast<int>(std::lround(height * baseY_)));
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(static_cast<int>(std::lround(width * baseX_)),
                 static_cast<int>(std::lround(height * baseY_)));
}

QFont DialogFont(const QStringList& families, int points) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families) {
        if (installed.contains(family)) {
            QFont font(family);
            font.setPointSize(points);
            return font;
        }
    }
    QFont font;
    font.setPointSize(points);
    return font;
}

QFont FixedPitchJapaneseFont(int points) {
    if (QFontDatabase::families().contains(QStringLiteral("IPAGothic"))) {
        QFont font(QStringLiteral("IPAGothic"));
        font.setPointSize(points);
        return font;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(points);
    return font;
}

QFont ProportionalJapaneseFont(int points) {
    return DialogFont({QStringLiteral("IPAPGothic")}, points);
}

}  // namespace kova::gui
