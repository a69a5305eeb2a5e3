#include "app/program_arguments.h"

namespace ferulo::app {

ArgumentCheck CheckProgramArguments(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") {
      break;
    }
    if (argument == "--help" || argument == "-h") {
      return {ProgramRequest::PrintHelp, {}, {}};
    }
    if (argument == "--version") {
      return {ProgramRequest::PrintVersion, {}, {}};
    }
  }
  ArgumentCheck check;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if ((!optionsEnded && argument.size() > 1 && argument.front() == '-') ||
               !check.databaseFile.empty() || argument.empty()) {
      return {ProgramRequest::Refuse, {}, argument};
    } else {
      check.databaseFile = argument;
    }
  }
  return check;
}

std::string ProgramHelpText() {
  return "Usage: ferulo [--help] [--version] [DATABASE]\n"
         "\n"
         "Opens the FERULO window: choose an Access database, pick a table, shape the\n"
         "field lists and press \"Start\" to write the list, edit and filter pages and\n"
         "db.asp. A DATABASE (.mdb, .accdb) named here is opened at once. The page\n"
         "templates are read from the folder of this program.\n"
         "Without a display, run it under xvfb-run. For scripts, use ferulo-cli.\n";
}

std::string ProgramVersionText() {
  return std::string("ferulo ") + FERULO_VERSION_TEXT + "\n";
}

}  // namespace ferulo::app
