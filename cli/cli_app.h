#pragma once

#include <iosfwd>
#include <string>

#include "database/connection.h"

namespace ferulo::cli {

// Exit codes scripts can rely on.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // an error or a refusal
inline constexpr int kExitUsage = 2;

// Where the command line finds its parts: the templates' default folder and
// how the database reader runs. The folder is looked up only by a command
// that needs it: the lookup costs a noticeable part of a short command.
struct CliSetup {
  std::string (*programDirectory)();
  database::ReaderOptions readerOptions;
};

// Runs ferulo-cli with the given arguments; prints results on out and
// failures on err, and returns the exit code.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const CliSetup& setup);

}  // namespace ferulo::cli
