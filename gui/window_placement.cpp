#include "gui/window_placement.h"

#include <QRect>
#include <QScreen>
#include <QWidget>

namespace ferulo::gui {

// The frame the window system adds is not known before the window shows.
void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) {
    return;
  }
  QRect place(QPoint(), window.size());
  place.moveCenter(screen->availableGeometry().center());
  window.setGeometry(place);
}

}  // namespace ferulo::gui
