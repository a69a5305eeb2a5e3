#pragma once

#include <QSettings>
#include <QString>

#include <functional>

#include "app/access_database.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"

namespace ferulo::app {

// Hides every window and leaves the event loop with exit code 0: "Exit" asks
// nothing and runs no window's close handling.
void EndProgramNow();

// The program as the ferulo executable runs it: the main window with Qt's
// dialogs, the Access reader, the templates beside the executable, and the
// user's settings.
class FeruloProgram {
 public:
  // showAbout opens the About window, or brings the open one forward.
  explicit FeruloProgram(std::function<void()> showAbout);

  [[nodiscard]] frmMain& window() { return window_; }

  // Shows the main window, opens databaseFile where one is named, and runs
  // until the program ends; the exit code.
  int Run(const QString& databaseFile = QString());

 private:
  AccessDatabaseLayer database_;
  QtOpenFileDialog openFile_;
  QtInputBox inputBox_;
  PopupListMenu listMenu_;
  gui::QtMessageBoxes messageBoxes_;
  QSettings settings_;
  frmMain window_;
};

}  // namespace ferulo::app
