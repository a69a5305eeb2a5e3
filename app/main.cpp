// ferulo: the main window. Closing it from its title bar ends the program once
// no other window (the About window) is open; "Exit" ends it at once.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "about/about_window.h"
#include "app/ferulo_program.h"
#include "app/program_arguments.h"
#include "app/window_icon.h"
#include "gui/message_boxes.h"

namespace {

std::vector<std::string> ArgumentsOf(const QStringList& arguments) {
  std::vector<std::string> texts;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    texts.push_back(arguments[i].toStdString());
  }
  return texts;
}

// --help and --version must answer on a machine without a display, so they
// are looked at before Qt connects to one.
int AnswerWithoutWindow(const ferulo::app::ArgumentCheck& check) {
  using ferulo::app::ProgramRequest;
  if (check.request == ProgramRequest::PrintHelp) {
    std::fputs(ferulo::app::ProgramHelpText().c_str(), stdout);
    return 0;
  }
  if (check.request == ProgramRequest::PrintVersion) {
    std::fputs(ferulo::app::ProgramVersionText().c_str(), stdout);
    return 0;
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> raw(argv + 1, argv + argc);
  if (const int answered = AnswerWithoutWindow(ferulo::app::CheckProgramArguments(raw));
      answered >= 0) {
    return answered;
  }
  QApplication application(argc, argv);
  // What is left once Qt has taken its own options.
  const ferulo::app::ArgumentCheck check =
      ferulo::app::CheckProgramArguments(ArgumentsOf(QApplication::arguments()));
  if (check.request == ferulo::app::ProgramRequest::Refuse) {
    std::fprintf(stderr, "ferulo: unexpected argument '%s'\n%s", check.unexpected.c_str(),
                 ferulo::app::ProgramHelpText().c_str());
    return 2;
  }
  // The application name is the class of every window (WM_CLASS), which the
  // menu entry's StartupWMClass names; the settings are kept under it too.
  QApplication::setApplicationName(QString::fromLatin1(ferulo::gui::kApplicationTitle));
  QApplication::setOrganizationName(QStringLiteral("ferulo"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.ferulo.Ferulo"));
  QApplication::setWindowIcon(
      ferulo::app::FeruloWindowIcon(QCoreApplication::applicationDirPath()));
  ferulo::app::FeruloProgram program([] { ferulo::about::ShowAboutWindow(); });
  const int exitCode = program.Run(QString::fromStdString(check.databaseFile));
  if (program.window().isReading()) {
    // "Exit" during a read of a slow or damaged file: the program ends now
    // rather than wait up to the reader's time limit. Its reader process ends
    // by itself once its answer has nowhere to go or its time is up.
    std::fflush(nullptr);
    std::_Exit(exitCode);
  }
  return exitCode;
}
