#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace ferulo::app::test {

// Waits, from the event loop, for a popup or modal window of type Shown (a
// QMenu, a QFileDialog, ...) and answers it as a user would. A window that
// never shows, or that the answer leaves open, fails the test instead of
// hanging it: it is closed after a few seconds and answered() stays false.
template <typename Shown>
class WhenShown {
 public:
  static constexpr int kWaitMs = 5000;

  explicit WhenShown(std::function<void(Shown*)> answer) : answer_(std::move(answer)) {
    clock_.start();
    QTimer::singleShot(0, &context_, [this] { Poll(); });
  }

  [[nodiscard]] bool answered() const { return answered_; }
  // Where the window's top left corner was when it showed, in screen terms.
  [[nodiscard]] QPoint shownAt() const { return shownAt_; }

 private:
  static Shown* Find() {
    if (auto* popup = qobject_cast<Shown*>(QApplication::activePopupWidget())) {
      return popup;
    }
    return qobject_cast<Shown*>(QApplication::activeModalWidget());
  }

  void Poll() {
    Shown* shown = Find();
    if (shown == nullptr) {
      if (clock_.elapsed() < kWaitMs) {
        QTimer::singleShot(10, &context_, [this] { Poll(); });
      }
      return;
    }
    shownAt_ = shown->pos();
    answer_(shown);
    answered_ = true;
    QTimer::singleShot(kWaitMs, &context_, [] {
      if (QWidget* left = Find()) {
        left->close();
      }
    });
  }

  QObject context_;  // cancels the pending timers when this object goes
  std::function<void(Shown*)> answer_;
  QElapsedTimer clock_;
  bool answered_ = false;
  QPoint shownAt_;
};

}  // namespace ferulo::app::test
