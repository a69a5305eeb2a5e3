#include "gui/layout_units.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <cmath>

namespace ferulo::gui {

namespace {

// The average over the 52 letters, not the font's own average character
// width, which some fonts report far from what their text takes.
double AverageLetterWidth(const QFontMetricsF& metrics) {
  static const QString letters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return metrics.horizontalAdvance(letters) / letters.size();
}

}  // namespace

LayoutUnits::LayoutUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  unitWidth_ = AverageLetterWidth(metrics) / 4;
  unitHeight_ = metrics.height() / 8;
}

int LayoutUnits::X(int units) const {
  return static_cast<int>(std::lround(units * unitWidth_));
}

int LayoutUnits::Y(int units) const {
  return static_cast<int>(std::lround(units * unitHeight_));
}

QSize LayoutUnits::Size(int width, int height) const {
  return {X(width), Y(height)};
}

QRect LayoutUnits::Rect(int left, int top, int width, int height) const {
  return QRect(QPoint(X(left), Y(top)), QPoint(X(left + width) - 1, Y(top + height) - 1));
}

}  // namespace ferulo::gui
