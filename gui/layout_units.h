#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace ferulo::gui {

// A window's layout drawn in units of the font it shows its text in: a
// horizontal unit is a quarter of the font's average letter width, a vertical
// unit an eighth of its line height. Drawn so, a window keeps its proportions
// and its texts keep their room in whatever font and size the desktop uses.
class LayoutUnits {
 public:
  explicit LayoutUnits(const QFont& font);

  [[nodiscard]] int X(int units) const;
  [[nodiscard]] int Y(int units) const;
  [[nodiscard]] QSize Size(int width, int height) const;
  // Each edge lands where X and Y put it, so controls that meet in units meet
  // in pixels too.
  [[nodiscard]] QRect Rect(int left, int top, int width, int height) const;

 private:
  double unitWidth_ = 0;
  double unitHeight_ = 0;
};

}  // namespace ferulo::gui
