#include <unistd.h>

#include <iostream>

#include "cli/run_cli.h"
#include "dataset/output_file.h"

int main(int argc, char** argv) {
  // A run stopped by Ctrl-C or a kill leaves no half-written file under the output's name.
  marbleset::InstallTemporaryCleanupOnSignals();
  return marbleset::cli::RunCli(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
