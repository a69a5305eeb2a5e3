#pragma once

#include <string>
#include <vector>

namespace ferulo::app {

// What the ferulo command line asks for. The window takes no arguments of its
// own; --help and --version answer without a display.
enum class ProgramRequest { ShowWindow, PrintHelp, PrintVersion, Refuse };

struct ArgumentCheck {
  ProgramRequest request = ProgramRequest::ShowWindow;
  std::string unexpected;  // the first argument FERULO does not know, for Refuse
};

// arguments excludes the program name. Qt's own options (-platform, -style,
// ...) are removed by QApplication before this runs on what is left.
[[nodiscard]] ArgumentCheck CheckProgramArguments(const std::vector<std::string>& arguments);

[[nodiscard]] std::string ProgramHelpText();
[[nodiscard]] std::string ProgramVersionText();

}  // namespace ferulo::app
