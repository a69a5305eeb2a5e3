#pragma once

#include <string>
#include <vector>

namespace ferulo::app {

// What the ferulo command line asks for: the window, with or without a
// database to open at once; --help and --version answer without a display.
enum class ProgramRequest { ShowWindow, PrintHelp, PrintVersion, Refuse };

struct ArgumentCheck {
  ProgramRequest request = ProgramRequest::ShowWindow;
  std::string databaseFile;  // the database to open, for ShowWindow; "" for none
  std::string unexpected;    // the first argument FERULO does not take, for Refuse
};

// arguments excludes the program name. Qt's own options (-platform, -style,
// ...) are removed by QApplication before this runs on what is left. One
// database file may be named; after "--", a name may start with '-'.
[[nodiscard]] ArgumentCheck CheckProgramArguments(const std::vector<std::string>& arguments);

[[nodiscard]] std::string ProgramHelpText();
[[nodiscard]] std::string ProgramVersionText();

}  // namespace ferulo::app
