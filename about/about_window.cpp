#include "about/about_window.h"

#include <QApplication>

#include "about/frm_about.h"
#include "gui/window_placement.h"

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
  gui::CentreOnScreen(*about);
  about->show();
  BringToFront(*about);
}

}  // namespace ferulo::about
