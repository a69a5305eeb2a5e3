#include "about/about_window.h"

#include <QApplication>
#include <QRect>
#include <QScreen>

#include "about/frm_about.h"

namespace ferulo::about {

namespace {

frmAbout* FindOpenAboutWindow() {
  // A closed window is hidden at once and deleted later, so only a visible
  // one counts as open (a minimized window is still visible).
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* window : windows) {
    auto* about = qobject_cast<frmAbout*>(window);
    if (about != nullptr && about->isVisible()) {
      return about;
    }
  }
  return nullptr;
}

void BringToFront(QWidget& window) {
  if (window.isMinimized()) {
    window.showNormal();
  }
  window.raise();
  window.activateWindow();
}

// Centres the client area; the frame is not known before the window shows.
void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) {
    return;
  }
  QRect place(QPoint(), window.size());
  place.moveCenter(screen->availableGeometry().center());
  window.setGeometry(place);
}

}  // namespace

void ShowAboutWindow() {
  ShowAboutWindow(AboutDependencies{});
}

void ShowAboutWindow(const AboutDependencies& dependencies) {
  if (frmAbout* open = FindOpenAboutWindow()) {
    BringToFront(*open);
    return;
  }
  auto* about = new frmAbout(dependencies);  // deletes itself when closed
  CentreOnScreen(*about);
  about->show();
  BringToFront(*about);
}

QWidget* OpenAboutWindow() {
  return FindOpenAboutWindow();
}

}  // namespace ferulo::about
