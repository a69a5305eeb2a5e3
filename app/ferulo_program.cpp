#include "app/ferulo_program.h"

#include <QApplication>

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
              QCoreApplication::applicationDirPath()) {}

int FeruloProgram::Run() {
  window_.show();
  return QApplication::exec();
}

}  // namespace ferulo::app
