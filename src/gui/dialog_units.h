// Dialog templates are laid out in dialog units, which follow the dialog's
// font: a quarter of the average character width across, an eighth of the
// character height down.
#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

class QWidget;

namespace kova::gui {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

  private:
    double baseX_;
    double baseY_;
};

// The first installed family of `families`, at `points`; the default face
// when none is there.
QFont DialogFont(const QStringList& families, int points);

// The fixed-pitch face whose half-width glyphs are half a kanji, so byte
// columns line up (for "ＭＳ 明朝" and "Courier New").
QFont FixedPitchJapaneseFont(int points);
// The proportional face for "ＭＳ Ｐゴシック".
QFont ProportionalJapaneseFont(int points);

}  // namespace kova::gui
