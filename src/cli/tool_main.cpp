#include <unistd.h>

#include <iostream>

#include "cli/run_cli.h"

int main(int argc, char** argv) {
  return marbleset::cli::RunCli(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
