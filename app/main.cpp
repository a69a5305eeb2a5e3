// ferulo: the main window. Closing it from its title bar ends the program once
// no other window (the About window) is open; "Exit" ends it at once.

#include <QApplication>

#include "about/about_window.h"
#include "app/error_message.h"
#include "app/ferulo_program.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(ferulo::app::kApplicationTitle));
  ferulo::app::FeruloProgram program([] { ferulo::about::ShowAboutWindow(); });
  return program.Run();
}
