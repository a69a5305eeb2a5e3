#include <iostream>

#include "cli/cli_app.h"
#include "common/program_directory.h"
#include "database/reader_main.h"

int main(int argc, char** argv) {
  // ferulo-cli has one thread: each answer comes from a child forked to run
  // the reader linked in here, with the default limits, which saves starting
  // ferulo-mdb-reader.
  ferulo::database::ReaderOptions reader;
  reader.linkedReader = &ferulo::database::ReaderMain;
  const ferulo::cli::CliSetup setup{&ferulo::ProgramDirectory, reader};
  return ferulo::cli::RunCli(argc, argv, std::cout, std::cerr, setup);
}
