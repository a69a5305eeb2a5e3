#include "gui/window_placement.h"

#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace ferulo::gui {

namespace {

// The client area for a window of clientSize whose frame adds frame: centred
// on available, no larger than fits, its top left corner never above or left
// of the area's, which is where the title bar and its buttons are.
QRect CentredWithin(const QRect& available, QSize clientSize, const QMargins& frame) {
  QRect outer(QPoint(), clientSize.boundedTo(available.size().shrunkBy(frame)).grownBy(frame));
  outer.moveCenter(available.center());
  outer.moveTopLeft(
      QPoint(std::max(outer.left(), available.left()), std::max(outer.top(), available.top())));
  return outer.marginsRemoved(frame);
}

}  // namespace

void CentreOnScreen(QWidget& window) {
  // The platform window is made now rather than when the window shows, so
  // that the frame is known wherever the window system tells it in advance.
  static_cast<void>(window.winId());
  const QScreen* screen = window.screen();
  if (screen == nullptr) {
    return;
  }
  const QWindow* handle = window.windowHandle();
  const QMargins frame = handle != nullptr ? handle->frameMargins() : QMargins();
  window.setGeometry(CentredWithin(screen->availableGeometry(), window.size(), frame));
}

}  // namespace ferulo::gui
