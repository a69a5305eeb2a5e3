#include "app/ferulo_program.h"

#include <QApplication>
#include <QFileInfo>

#include <utility>

namespace ferulo::app {

void EndProgramNow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    window->hide();
  }
  QCoreApplication::exit(0);
}

FeruloProgram::FeruloProgram(std::function<void()> showAbout)
    : window_(database_, MainWindowDialogs{openFile_, inputBox_, listMenu_, messageBoxes_},
              MainWindowActions{std::move(showAbout), EndProgramNow},
              QCoreApplication::applicationDirPath(), settings_) {}

int FeruloProgram::Run(const QString& databaseFile) {
  window_.show();
  if (!databaseFile.isEmpty()) {
    // Named relative to the folder the program was started in.
    window_.OpenDatabaseFile(QFileInfo(databaseFile).absoluteFilePath());
  }
  return QApplication::exec();
}

}  // namespace ferulo::app
