#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "dataset/output_file.h"
#include "dataset/platform.h"

int main(int argc, char** argv) {
  // A run stopped by Ctrl-C or a kill leaves no half-written file under the output's name.
  marbleset::InstallTemporaryCleanupOnSignals();
  // Output written to standard output has the same bytes as the file it would be.
  marbleset::platform::PrepareStandardStreams();
  const std::vector<std::string> arguments = marbleset::platform::Utf8Arguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  return marbleset::cli::RunCli(static_cast<int>(arguments.size()), pointers.data(), std::cout,
                                std::cerr, marbleset::platform::StandardErrorIsTerminal());
}
