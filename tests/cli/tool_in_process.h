#pragma once
// marbleset-cli called in-process, as a script calls it: the exit status and both streams.

#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

namespace marbleset::cli {

struct CliRun {
  int status;
  std::string out, err;
};

// terminal: whether standard error is a terminal (where the progress bar is drawn).
inline CliRun RunTool(std::vector<std::string> args, bool terminal = false) {
  args.insert(args.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err, terminal);
  return {status, out.str(), err.str()};
}

// Every command that writes a file, with what it needs in front of INPUT.
inline const std::vector<std::vector<std::string>> kWritingCommands = {
    {"convert", "--to", "ntsys"},
    {"crop", "--monomorphic"},
    {"bootstraps", "--datasets", "10"},
    {"permutations", "--datasets", "10"},
    {"genstraps", "--datasets", "10"},
    {"resample", "--datasets", "10"},
    {"missstraps", "--datasets", "10"},
    {"noise", "--datasets", "10"},
    {"distances"}};

}  // namespace marbleset::cli
