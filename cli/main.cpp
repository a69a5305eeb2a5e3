#include <iostream>

#include "cli/cli_app.h"
#include "common/program_directory.h"

int main(int argc, char** argv) {
  const ferulo::cli::CliSetup setup{ferulo::ProgramDirectory(),
                                    ferulo::database::DefaultReaderOptions()};
  return ferulo::cli::RunCli(argc, argv, std::cout, std::cerr, setup);
}
