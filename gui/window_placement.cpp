#include "gui/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QStyle>
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

// A window manager tells a window's frame only once the window is on screen.
// Until then a title bar as tall as the style draws one, and a border, stand
// in for it where there is a window manager at all.
QMargins FrameOf(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  const QMargins told = handle != nullptr ? handle->frameMargins() : QMargins();
  if (!told.isNull() || QGuiApplication::platformName() == QLatin1String("offscreen")) {
    return told;
  }
  const QStyle* style = window.style();
  const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
  const int title = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
  return {border, title + border, border, border};
}

// Once the window manager has framed the window, moves it back inside the
// screen's available area where the frame reaches beyond it.
class FrameKeeper : public QObject {
 public:
  explicit FrameKeeper(QWidget& window) : QObject(&window), window_(&window) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool placed = event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                        event->type() == QEvent::Show;
    if (watched != window_ || !placed || window_->windowHandle() == nullptr ||
        window_->windowHandle()->frameMargins().isNull()) {
      return false;
    }
    // The frame is known now: one correction, then the user places the window.
    window_->removeEventFilter(this);
    const QScreen* screen = window_->screen();
    if (screen != nullptr && !screen->availableGeometry().contains(window_->frameGeometry())) {
      window_->setGeometry(CentredWithin(screen->availableGeometry(), window_->size(),
                                         window_->windowHandle()->frameMargins()));
    }
    deleteLater();
    return false;
  }

 private:
  QPointer<QWidget> window_;
};

}  // namespace

void CentreOnScreen(QWidget& window) {
  // The platform window is made now rather than when the window shows, so
  // that the frame is known wherever the window system tells it in advance.
  static_cast<void>(window.winId());
  const QScreen* screen = window.screen();
  if (screen == nullptr) {
    return;
  }
  window.setGeometry(CentredWithin(screen->availableGeometry(), window.size(), FrameOf(window)));
  new FrameKeeper(window);
}

}  // namespace ferulo::gui
